#pragma once
// The module's Qt warnings, collected by a test's message handler
// (install Handler with qInstallMessageHandler), with waits on them.

#include <QMessageLogContext>
#include <QString>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

struct ModuleWarnings {
    static inline std::mutex mutex;
    static inline std::condition_variable arrived;
    static inline std::vector<std::string> texts;

    static void Handler(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type != QtWarningMsg)
            return;
        std::lock_guard<std::mutex> lock(mutex);
        texts.push_back(text.toStdString());
        arrived.notify_all();
    }
    // The module's device-lost warning for `device`.
    static std::string LostText(const std::string& device)
    {
        return std::string(29, '*') + "cam " + device + " lost : ";
    }
    static bool WaitForCount(size_t count, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, timeout, [&] { return texts.size() >= count; });
    }
    static bool WaitForText(const std::string& text, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, timeout, [&] { return std::count(texts.begin(), texts.end(), text) > 0; });
    }
    static std::string Last()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return texts.empty() ? std::string() : texts.back();
    }
    static void Clear()
    {
        std::lock_guard<std::mutex> lock(mutex);
        texts.clear();
    }
};
