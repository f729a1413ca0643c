// Every operation of the contract in every state of a camera object, and
// hostile input through it: no crash, and the result the contract gives.

#include "DriverFixture.h"

namespace {

enum State { Fresh, HandleOnly, Open, Grabbing, Closed };
const char* const kStateNames[] = {"fresh", "handle only", "open", "grabbing", "after close"};

struct Operation {
    const char* name;
    std::function<intptr_t(ICameraObject*)> call;
    intptr_t expected[5];  // per state
    bool triggers[5];      // whether it reaches IC_SoftwareTrigger
};

}  // namespace

TEST_F(DriverTest, EveryOperationInEveryStateGivesTheContractsAnswer)
{
    const ParamChange unknown{0x7777, 1};
    const ParamChange extreme{PARAM_EXPOSURE, INT32_MIN};
    const Operation operations[] = {
        {"IGetCameraList", [](ICameraObject* c) { return intptr_t(c->IGetCameraList().size()); }, {1, 1, 1, 1, 1}, {}},
        {"IOpenCamera", [](ICameraObject* c) { return intptr_t(c->IOpenCamera()); }, {1, 0, 1, 1, 1}, {}},
        {"IStartCamera", [](ICameraObject* c) { return intptr_t(c->IStartCamera()); }, {0, 0, 1, 1, 0}, {}},
        {"IStopCamera", [](ICameraObject* c) { c->IStopCamera(); return intptr_t(c->grabbing); }, {0, 0, 0, 0, 0}, {}},
        {"ISnapImage", [](ICameraObject* c) { c->ISnapImage(); return intptr_t(0); }, {0, 0, 0, 0, 0},
         {false, true, true, true, false}},
        {"ICloseCamera", [](ICameraObject* c) { c->ICloseCamera(); return intptr_t(c->opened); }, {0, 0, 0, 0, 0}, {}},
        {"ISetParameter(null)", [](ICameraObject* c) { return intptr_t(c->ISetParameter(nullptr)); }, {1, 1, 1, 1, 1}, {}},
        {"ISetParameter(unknown)", [&](ICameraObject* c) { return intptr_t(c->ISetParameter(&unknown)); },
         {1, 1, 1, 1, 1}, {}},
        {"ISetParameter(extreme)", [&](ICameraObject* c) { return intptr_t(c->ISetParameter(&extreme)); },
         {1, 1, 1, 1, 1}, {}},
        {"IReserved6", [](ICameraObject* c) { c->IReserved6(); return intptr_t(0); }, {0, 0, 0, 0, 0}, {}},
        {"IReserved7", [](ICameraObject* c) { return intptr_t(c->IReserved7()); }, {0, 0, 0, 0, 0}, {}},
        {"IReserved8", [](ICameraObject* c) { return intptr_t(c->IReserved8()); }, {0, 0, 0, 0, 0}, {}},
        {"IReserved10", [](ICameraObject* c) { return c->IReserved10(); }, {0, 0, 0, 0, 0}, {}},
        {"IReserved12", [](ICameraObject* c) { return intptr_t(c->IReserved12()); }, {1, 1, 1, 1, 1}, {}},
    };
    for (int state = Fresh; state <= Closed; ++state) {
        for (const auto& op : operations) {
            capture_double::Script script;
            script.deviceNames = {std::string("cam-A")};
            script.openResult = state == HandleOnly ? 0 : 1;
            capture_double::Reset(script);
            Create();
            ASSERT_NE(camera, nullptr);
            if (state != Fresh)
                camera->IOpenCamera();
            if (state == Grabbing)
                camera->IStartCamera();
            if (state == Closed)
                camera->ICloseCamera();
            capture_double::ClearCalls();

            const std::string where = std::string(op.name) + " in state " + kStateNames[state];
            EXPECT_EQ(op.call(camera), op.expected[state]) << where;
            EXPECT_EQ(capture_double::CallsStartingWith("IC_SoftwareTrigger").size(), op.triggers[state] ? 1u : 0u)
                << where;
            for (const auto& call : capture_double::Calls())
                EXPECT_EQ(call.find("released"), std::string::npos) << where << ": " << call;
            Camera_Delete(camera);
            camera = nullptr;
            EXPECT_EQ(capture_double::LiveGrabberCount(), 0) << where;
        }
    }
}
