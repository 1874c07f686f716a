#include "tests/support/draw_host_fake.h"

#include <gtest/gtest.h>

DrawHost FakeWindow::host() {
    DrawHost h;
    h.showInDisplay = [this](const std::string& text) {
        display = text;
        if (onWrite) onWrite(FakeField::Display, text);
    };
    h.readDisplay = [this] { return display; };
    h.showPersonDetails = [this](const std::string& number, const std::string& department) {
        details = number + "|" + department;
    };
    h.appendToRecord = [this](const std::string& entry) {
        record += entry;
        if (onWrite) onWrite(FakeField::Record, record);
    };
    h.clearRecordAndNames = [this] {
        record.clear();
        if (onWrite) onWrite(FakeField::Record, record);
        namesBox.clear();
        if (onWrite) onWrite(FakeField::NamesBox, namesBox);
    };
    h.setButtonsRolling = [this](bool rolling) {
        startEnabled = !rolling;
        stopEnabled = rolling;
    };
    h.focusEnabledButton = [this] { focused = startEnabled ? FakeButton::Start : FakeButton::Stop; };
    h.readLimits = [this] { return LimitTexts{lower, upper}; };
    h.readFrequency = [this] { return frequency; };
    h.readCount = [this] { return count; };
    h.readInterval = [this] { return interval; };
    h.readNameFile = [this] { return nameFile; };
    h.showMessage = [this](const std::string& text, const std::string& caption) {
        messages.emplace_back(text, caption);
    };
    h.readPreset = [this](DrawMode mode) {
        presetReads.push_back(mode);
        return mode == DrawMode::Number ? numberPreset : namePreset;
    };
    h.programDirectory = "C:\\draw\\";
    h.now = [this] { return now; };
    h.askYesNo = [this](const std::string& question, const std::string& caption) {
        questions.push_back(question + "|" + caption);
        if (answers.empty()) return false;
        const bool yes = answers.front();
        answers.erase(answers.begin());
        return yes;
    };
    h.replaceRecordEnd = [this](const std::string& end, const std::string& replacement) {
        if (record.size() < end.size() || record.compare(record.size() - end.size(), end.size(), end) != 0) {
            return false;
        }
        record = record.substr(0, record.size() - end.size()) + replacement;
        if (onWrite) onWrite(FakeField::Record, record);
        return true;
    };
    h.showPoolStatus = [this](const std::string& text) { statuses.push_back(text); };
    h.poolsChanged = [this] { ++poolSaves; };
    h.loadTextFile = [this](const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex);
        loads.push_back(path);
        auto found = files.find(path);
        return found == files.end() ? std::string() : found->second;
    };
    h.timeOfDay = [this] {
        std::lock_guard<std::mutex> lock(mutex);
        return time;
    };
    h.requestDelivery = [this] {
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++requests;
        }
        requested.notify_all();
    };
    return h;
}

void FakeWindow::setFile(const std::string& path, const std::string& content) {
    std::lock_guard<std::mutex> lock(mutex);
    files[path] = content;
}

void FakeWindow::setTime(const TimeOfDay& t) {
    std::lock_guard<std::mutex> lock(mutex);
    time = t;
}

bool FakeWindow::waitForRequest(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex);
    if (!requested.wait_for(lock, timeout, [&] { return requests > served; })) return false;
    served = requests;
    return true;
}

bool FakeWindow::waitForRequests(long count, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex);
    return requested.wait_for(lock, timeout, [&] { return requests >= count; });
}

long FakeWindow::requestCount() {
    std::lock_guard<std::mutex> lock(mutex);
    return requests;
}

int PumpCandidates(DrawSession& session, FakeWindow& window, int count,
                   std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int delivered = 0;
    while (delivered < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !window.waitForRequest(left)) break;
        if (session.deliverCandidate()) ++delivered;
    }
    return delivered;
}

bool PumpUntilShown(DrawSession& session, FakeWindow& window, const std::string& text,
                    std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (window.display != text) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || PumpCandidates(session, window, 1, left) != 1) return false;
    }
    return true;
}

std::vector<std::string> CollectCandidates(DrawSession& session, FakeWindow& window, int count) {
    std::vector<std::string> shown;
    shown.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (PumpCandidates(session, window, 1) != 1) break;
        shown.push_back(window.display);
    }
    return shown;
}

void UseNameFile(FakeWindow& window, DrawSession& session, const std::string& content) {
    window.nameFile = "names.txt";
    window.setFile("C:\\draw\\names.txt", content);
    session.selectMode(DrawMode::Name);
}

void ExpectNoRoller() {
    const RollerCensus census = CountRollers();
    EXPECT_EQ(census.alive, 0);
    EXPECT_LE(census.peak, 1);
    EXPECT_EQ(census.started, census.finished);
}
