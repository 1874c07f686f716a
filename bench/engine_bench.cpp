// Draw engine figures. Machines here are noisy, so every figure stands beside
// a baseline measured in the same run, and each is the best of a few rounds.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "engine/draw_session.h"
#include "engine/name_list.h"
#include "engine/random_source.h"
#include "runtime/numbers.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point begin) {
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

// A main window whose display costs nothing; the bench thread plays the UI
// thread and waits for each delivery request as a message loop would.
struct BenchWindow {
    std::mutex mutex;
    std::condition_variable requested;
    long requests = 0;
    long served = 0;
    std::string file;
    std::string frequency = "0";
    long shown = 0;

    DrawHost host() {
        DrawHost h;
        h.showInDisplay = [this](const std::string&) { ++shown; };
        h.readDisplay = [] { return std::string(); };
        h.appendToRecord = [](const std::string&) {};
        h.clearRecordAndNames = [] {};
        h.setButtonsRolling = [](bool) {};
        h.readLimits = [] { return LimitTexts{"1", "10"}; };
        h.readFrequency = [this] { return frequency; };
        h.readCount = [] { return std::string(); };
        h.readInterval = [] { return std::string("1"); };
        h.readNameFile = [] { return std::string("names.txt"); };
        h.showMessage = [](const std::string&, const std::string&) {};
        h.readPreset = [](DrawMode) { return std::string(); };
        h.programDirectory = "C:\\bench\\";
        h.loadTextFile = [this](const std::string&) { return file; };
        h.timeOfDay = [] { return TimeOfDay{12, 0, 0, 0}; };
        h.requestDelivery = [this] {
            {
                std::lock_guard<std::mutex> lock(mutex);
                ++requests;
            }
            requested.notify_one();
        };
        return h;
    }

    void deliver(DrawSession& session, long count) {
        for (long delivered = 0; delivered < count;) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                requested.wait(lock, [&] { return requests > served; });
                served = requests;
            }
            delivered += session.deliverCandidate();
        }
    }
};

struct DrawFigures {
    double firstSeconds = 0;      // start() to the first candidate shown
    double perCandidate = 0;      // seconds per candidate after that
};

// `drawn`: with draws without repeats on, the names drawn before.
DrawFigures MeasureDraw(DrawMode mode, const std::string& file, long candidates, bool noRepeats = false,
                        const std::vector<std::string>& drawn = {}) {
    BenchWindow window;
    window.file = file;
    DrawSession session(window.host());
    session.selectMode(mode);
    session.setNoRepeats(noRepeats);
    if (!drawn.empty()) {
        DrawPools saved;
        saved.names["names.txt"] = drawn;
        session.loadPools(saved);
    }
    DrawFigures figures;
    const auto begin = Clock::now();
    session.start();
    window.deliver(session, 1);
    figures.firstSeconds = SecondsSince(begin);
    const auto rolling = Clock::now();
    window.deliver(session, candidates);
    figures.perCandidate = SecondsSince(rolling) / candidates;
    session.stop();
    return figures;
}

DrawFigures Best(const DrawFigures& a, const DrawFigures& b) {
    return DrawFigures{std::min(a.firstSeconds, b.firstSeconds), std::min(a.perCandidate, b.perCandidate)};
}

// between() and FormatNumber alone, on one thread: the least a candidate costs.
double RawNumberCandidate(long candidates) {
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        RandomSource random;
        random.seedFromTimeOfDay(TimeOfDay{12, 0, 0, 0});
        std::size_t sink = 0;
        const auto begin = Clock::now();
        for (long k = 0; k < candidates; ++k) sink += FormatNumber(random.between(1, 10), true).size();
        best = std::min(best, SecondsSince(begin) / candidates);
        if (sink == 0) std::puts("");
    }
    return best;
}

// Picking and cutting out one name, without the threads around it.
double RawNameCandidate(const std::string& file, long candidates) {
    const NameList list = BuildNameList(file);
    const int32_t last = static_cast<int32_t>(NameCount(list) - 1);
    RandomSource random;
    random.seedFromTimeOfDay(TimeOfDay{12, 0, 0, 0});
    std::size_t sink = 0;
    const auto begin = Clock::now();
    for (long k = 0; k < candidates; ++k)
        sink += NameAt(list, static_cast<std::size_t>(random.between(0, last))).size();
    const double seconds = SecondsSince(begin) / candidates;
    if (sink == 0) std::puts("");  // keeps the loop
    return seconds;
}

// Ten bytes a name: "n", seven digits, CR LF.
std::string NameFile(long names) {
    std::string file;
    file.reserve(static_cast<std::size_t>(names) * 10);
    for (long k = 0; k < names; ++k) {
        if (k) file += "\r\n";
        file += "n";
        file += std::to_string(1000000 + k);
    }
    return file;
}

}  // namespace

int main() {
    const long candidates = 20000;
    const std::string small = NameFile(10);
    const std::string large = NameFile(1000000);

    const double raw = RawNumberCandidate(2000000);
    // Rounds alternate between the draws compared, so that both meet the
    // same load on the machine; each figure is the best of its rounds.
    DrawFigures numbers{1e9, 1e9}, ten{1e9, 1e9}, million{1e9, 1e9};
    for (int round = 0; round < 5; ++round) {
        numbers = Best(numbers, MeasureDraw(DrawMode::Number, "", candidates));
        ten = Best(ten, MeasureDraw(DrawMode::Name, small, candidates));
        million = Best(million, MeasureDraw(DrawMode::Name, large, candidates));
    }
    std::printf("number draw at frequency 0: %.0f candidates/s; between()+FormatNumber alone: %.0f/s; "
                "a drawn candidate costs %.0f times the bare one\n",
                1 / numbers.perCandidate, 1 / raw, numbers.perCandidate / raw);
    std::printf("name draw, 1,000,000 names (%.1f MB): start to first candidate %.1f ms "
                "(10 names: %.3f ms, ratio %.0f)\n",
                large.size() / 1e6, million.firstSeconds * 1e3, ten.firstSeconds * 1e3,
                million.firstSeconds / ten.firstSeconds);
    std::printf("name draw per candidate: 1,000,000 names %.2f us, 10 names %.2f us, ratio %.2f\n",
                million.perCandidate * 1e6, ten.perCandidate * 1e6,
                million.perCandidate / ten.perCandidate);

    // Draws without repeats: the pool is an index of the entries left, so
    // starting costs one more pass over the names and a candidate costs the
    // same however many have been drawn.
    std::vector<std::string> half;
    for (long k = 0; k < 1000000; k += 2) half.push_back("n" + std::to_string(1000000 + k));
    DrawFigures off{1e9, 1e9}, on{1e9, 1e9}, halfDrawn{1e9, 1e9};
    for (int round = 0; round < 5; ++round) {
        off = Best(off, MeasureDraw(DrawMode::Name, large, candidates));
        on = Best(on, MeasureDraw(DrawMode::Name, large, candidates, true));
        halfDrawn = Best(halfDrawn, MeasureDraw(DrawMode::Name, large, candidates, true, half));
    }
    std::printf("no repeats, 1,000,000 names: start %.1f ms on, %.1f ms off, ratio %.2f (limit 1.5)\n",
                on.firstSeconds * 1e3, off.firstSeconds * 1e3, on.firstSeconds / off.firstSeconds);
    std::printf("no repeats per candidate: half the names drawn %.2f us, none drawn %.2f us, ratio %.2f "
                "(start with half drawn %.1f ms)\n",
                halfDrawn.perCandidate * 1e6, on.perCandidate * 1e6, halfDrawn.perCandidate / on.perCandidate,
                halfDrawn.firstSeconds * 1e3);
    double rawTen = 1e9, rawMillion = 1e9;
    for (int round = 0; round < 3; ++round) {
        rawTen = std::min(rawTen, RawNameCandidate(small, 1000000));
        rawMillion = std::min(rawMillion, RawNameCandidate(large, 1000000));
    }
    std::printf("name pick alone per candidate: 1,000,000 names %.0f ns, 10 names %.0f ns, ratio %.2f\n",
                rawMillion * 1e9, rawTen * 1e9, rawMillion / rawTen);
    return 0;
}
