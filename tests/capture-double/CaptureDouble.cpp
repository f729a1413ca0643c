// The recording capture library double; see CaptureDouble.h.

#include "CaptureDouble.h"

#include <map>
#include <memory>
#include <mutex>
#include <chrono>
#include <condition_variable>
#include <thread>

struct HGRABBER_t {
    int id = 0;
    FRAME_READY_CALLBACK frameReady = nullptr;
    void* frameUser = nullptr;
    DEVICE_LOST_CALLBACK deviceLost = nullptr;
    void* lostUser = nullptr;
    bool opened = false;
    bool live = false;     // opened and started; no frame callback starts otherwise
    int format = IC_FORMAT_Y800;
    int framesInFlight = 0;
};

namespace capture_double {
namespace {

struct State {
    std::mutex mutex;
    std::condition_variable frameDone;
    Script script;
    std::vector<std::string> calls;
    std::map<HGRABBER, std::unique_ptr<HGRABBER_t>> grabbers;
    int nextId = 1;
    HGRABBER last = nullptr;
    int triggers = 0;  // on live handles, since the last Reset
};

thread_local bool insideFrameCallback = false;

State& state()
{
    static State instance;
    return instance;
}

std::string HandleText(HGRABBER grabber)
{
    if (!grabber)
        return "null";
    auto& s = state();
    auto it = s.grabbers.find(grabber);
    return it == s.grabbers.end() ? "released" : "G" + std::to_string(it->second->id);
}

template <typename... Args>
std::string Join(const Args&... args)
{
    std::string text;
    ((text += (text.empty() ? "" : ","), text += args), ...);
    return text;
}

// Records "name(args)" under the lock the caller holds.
template <typename... Args>
void Record(const char* name, const Args&... args)
{
    state().calls.push_back(std::string(name) + "(" + Join(args...) + ")");
}

std::string Str(long long value) { return std::to_string(value); }

}  // namespace

void Reset(const Script& script)
{
    auto& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.script = script;
    s.calls.clear();
    s.grabbers.clear();
    s.nextId = 1;
    s.last = nullptr;
    s.triggers = 0;
}

Script& CurrentScript() { return state().script; }

void SetOpenResult(int result)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().script.openResult = result;
}

std::vector<std::string> Calls()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().calls;
}

void ClearCalls()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().calls.clear();
}

std::vector<std::string> CallsStartingWith(const std::string& prefix)
{
    std::vector<std::string> matching;
    for (const auto& call : Calls())
        if (call.rfind(prefix, 0) == 0)
            matching.push_back(call);
    return matching;
}

HGRABBER LastGrabber()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().last;
}

int LiveGrabberCount()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return static_cast<int>(state().grabbers.size());
}

void FireFrame(HGRABBER grabber, unsigned char* data, uint32_t frameNumber)
{
    FRAME_READY_CALLBACK callback = nullptr;
    void* user = nullptr;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto it = state().grabbers.find(grabber);
        if (it == state().grabbers.end() || !it->second->live || !it->second->frameReady)
            return;
        callback = it->second->frameReady;
        user = it->second->frameUser;
        ++it->second->framesInFlight;
    }
    insideFrameCallback = true;
    callback(grabber, data, frameNumber, user);  // without the lock, as a real library must
    insideFrameCallback = false;
    std::lock_guard<std::mutex> lock(state().mutex);
    auto it = state().grabbers.find(grabber);
    if (it != state().grabbers.end())
        --it->second->framesInFlight;
    state().frameDone.notify_all();
}

void FireFrameOnOwnThread(HGRABBER grabber, unsigned char* data, uint32_t frameNumber)
{
    std::thread delivery([=] { FireFrame(grabber, data, frameNumber); });
    delivery.join();
}

void FireDeviceLost(HGRABBER grabber)
{
    DEVICE_LOST_CALLBACK callback = nullptr;
    void* user = nullptr;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto it = state().grabbers.find(grabber);
        if (it == state().grabbers.end())
            return;
        callback = it->second->deviceLost;
        user = it->second->lostUser;
    }
    if (callback)
        callback(grabber, user);
}

}  // namespace capture_double

using namespace capture_double;

namespace {
struct Locked {
    std::lock_guard<std::mutex> lock{state().mutex};
    Script& script = state().script;
};
}  // namespace

extern "C" {

int IC_InitLibrary(const char* licenseKey)
{
    Locked l;
    Record("IC_InitLibrary", std::string(licenseKey ? licenseKey : "null"));
    return l.script.initResult;
}

void IC_CloseLibrary(void)
{
    Locked l;
    Record("IC_CloseLibrary");
}

HGRABBER IC_CreateGrabber(void)
{
    Locked l;
    if (l.script.createReturnsNull) {
        Record("IC_CreateGrabber");
        return nullptr;
    }
    auto grabber = std::make_unique<HGRABBER_t>();
    grabber->id = state().nextId++;
    HGRABBER handle = grabber.get();
    state().grabbers[handle] = std::move(grabber);
    state().last = handle;
    Record("IC_CreateGrabber");
    return handle;
}

void IC_ReleaseGrabber(HGRABBER* grabber)
{
    Locked l;
    if (!grabber) {
        Record("IC_ReleaseGrabber", std::string("null"));
        return;
    }
    Record("IC_ReleaseGrabber", HandleText(*grabber));
    state().grabbers.erase(*grabber);
    *grabber = nullptr;
}

int IC_GetDeviceCount(void)
{
    Locked l;
    Record("IC_GetDeviceCount");
    return l.script.deviceCount ? *l.script.deviceCount : static_cast<int>(l.script.deviceNames.size());
}

char* IC_GetUniqueNamefromList(int index)
{
    Locked l;
    Record("IC_GetUniqueNamefromList", Str(index));
    auto& names = l.script.deviceNames;
    if (index < 0 || index >= static_cast<int>(names.size()) || !names[index])
        return nullptr;
    return names[index]->data();
}

int IC_OpenDevByUniqueName(HGRABBER grabber, const char* uniqueName)
{
    std::function<int()> answer;
    {
        Locked l;
        answer = l.script.openAnswer;
    }
    const std::optional<int> answered = answer ? std::optional<int>(answer()) : std::nullopt;
    Locked l;
    Record("IC_OpenDevByUniqueName", HandleText(grabber), std::string(uniqueName ? uniqueName : "null"));
    auto it = state().grabbers.find(grabber);
    if (it == state().grabbers.end())
        return IC_NO_HANDLE;
    const int result = answered.value_or(l.script.openResult);
    it->second->opened = result == 1;
    it->second->format = l.script.cameraFormat;
    return result;
}

void IC_CloseVideoCaptureDevice(HGRABBER grabber)
{
    Locked l;
    Record("IC_CloseVideoCaptureDevice", HandleText(grabber));
    auto it = state().grabbers.find(grabber);
    if (it != state().grabbers.end())
        it->second->opened = it->second->live = false;
}

int IC_SetCallbacks(HGRABBER grabber, FRAME_READY_CALLBACK frameReady, void* frameReadyUser,
                    DEVICE_LOST_CALLBACK deviceLost, void* deviceLostUser)
{
    Locked l;
    Record("IC_SetCallbacks", HandleText(grabber));
    auto it = state().grabbers.find(grabber);
    if (it == state().grabbers.end())
        return 0;
    it->second->frameReady = frameReady;
    it->second->frameUser = frameReadyUser;
    it->second->deviceLost = deviceLost;
    it->second->lostUser = deviceLostUser;
    return 1;
}

int IC_SetFormat(HGRABBER grabber, int format)
{
    Locked l;
    Record("IC_SetFormat", HandleText(grabber), Str(format));
    auto it = state().grabbers.find(grabber);
    if (it == state().grabbers.end())
        return IC_NO_HANDLE;
    if (l.script.setFormatResult == 1)
        it->second->format = format;
    return l.script.setFormatResult;
}

int IC_GetImageDescription(HGRABBER grabber, int32_t* width, int32_t* height, int32_t* bitsPerPixel, int* format)
{
    Locked l;
    Record("IC_GetImageDescription", HandleText(grabber));
    if (l.script.descriptionResult != 1)
        return l.script.descriptionResult;
    *width = l.script.width;
    *height = l.script.height;
    *bitsPerPixel = l.script.bitsPerPixel;
    auto it = state().grabbers.find(grabber);
    *format = it == state().grabbers.end() ? IC_FORMAT_KEEP : it->second->format;
    return 1;
}

int IC_EnableTrigger(HGRABBER grabber, int enable)
{
    Locked l;
    Record("IC_EnableTrigger", HandleText(grabber), Str(enable));
    return 1;
}

int IC_SetContinuousMode(HGRABBER grabber, int continuous)
{
    Locked l;
    Record("IC_SetContinuousMode", HandleText(grabber), Str(continuous));
    return 1;
}

int IC_StartLive(HGRABBER grabber, int showWindow)
{
    Locked l;
    Record("IC_StartLive", HandleText(grabber), Str(showWindow));
    auto it = state().grabbers.find(grabber);
    if (it == state().grabbers.end())
        return IC_NO_HANDLE;
    if (!it->second->opened)
        return IC_ERROR;
    it->second->live = l.script.startLiveResult == 1;
    return l.script.startLiveResult;
}

// Returns once no frame callback of `grabber` is running or can start, as the
// real library does (from inside a callback it only blocks new ones).
void IC_StopLive(HGRABBER grabber)
{
    std::unique_lock<std::mutex> lock(state().mutex);
    Record("IC_StopLive", HandleText(grabber));
    auto it = state().grabbers.find(grabber);
    if (it == state().grabbers.end())
        return;
    HGRABBER_t* target = it->second.get();
    target->live = false;
    if (insideFrameCallback)
        return;
    const bool ended = state().frameDone.wait_for(lock, std::chrono::seconds(5), [&] {
        return state().grabbers.count(grabber) == 0 || target->framesInFlight <= 0;
    });
    if (!ended)
        state().calls.push_back("IC_StopLive(" + HandleText(grabber) + "):timed out");
}

int IC_SoftwareTrigger(HGRABBER grabber)
{
    unsigned char* pixels = nullptr;
    uint32_t number = 0;
    std::function<void(int)> after;
    int count = 0;
    {
        Locked l;
        Record("IC_SoftwareTrigger", HandleText(grabber));
        auto it = state().grabbers.find(grabber);
        if (it == state().grabbers.end())
            return IC_NO_HANDLE;
        if (!it->second->live)
            return IC_ERROR;
        after = l.script.afterTrigger;
        count = ++state().triggers;
        auto& numbers = l.script.triggeredNumbers;
        if (!numbers.empty()) {
            number = numbers.front();
            numbers.erase(numbers.begin());
            pixels = l.script.triggeredPixels.data();
        }
    }
    if (pixels)
        FireFrameOnOwnThread(grabber, pixels, number);
    if (after)
        after(count);
    return 1;
}

static int ReadRange(const Range& range, int32_t* min, int32_t* max)
{
    if (range.result == 1) {
        *min = range.min;
        *max = range.max;
    }
    return range.result;
}

int IC_EnableAutoCameraProperty(HGRABBER grabber, int property, int enable)
{
    Locked l;
    Record("IC_EnableAutoCameraProperty", HandleText(grabber), Str(property), Str(enable));
    return 1;
}

int IC_CameraPropertyGetRange(HGRABBER grabber, int property, int32_t* min, int32_t* max)
{
    Locked l;
    Record("IC_CameraPropertyGetRange", HandleText(grabber), Str(property));
    return ReadRange(l.script.exposureRange, min, max);
}

int IC_SetCameraProperty(HGRABBER grabber, int property, int32_t value)
{
    Locked l;
    Record("IC_SetCameraProperty", HandleText(grabber), Str(property), Str(value));
    return 1;
}

int IC_EnableAutoVideoProperty(HGRABBER grabber, int property, int enable)
{
    Locked l;
    Record("IC_EnableAutoVideoProperty", HandleText(grabber), Str(property), Str(enable));
    return 1;
}

int IC_VideoPropertyGetRange(HGRABBER grabber, int property, int32_t* min, int32_t* max)
{
    Locked l;
    Record("IC_VideoPropertyGetRange", HandleText(grabber), Str(property));
    return ReadRange(l.script.gainRange, min, max);
}

int IC_SetVideoProperty(HGRABBER grabber, int property, int32_t value)
{
    Locked l;
    Record("IC_SetVideoProperty", HandleText(grabber), Str(property), Str(value));
    return 1;
}

}  // extern "C"
