#pragma once
// Side-by-side measurement shared by the benchmarks: our code and its reference run in
// alternating rounds (which one goes first alternates too), so a machine that gets busier or
// quieter during the run disturbs both alike. Each case prints its rounds' median and range
// and one summary line that bench/run collects:
//   SUMMARY <name>  <ours>  <reference>  <ratio>  <target>  ok|MISSED
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace bench {

constexpr int Rounds = 9;

// Seconds on a clock: the wall clock (anything that waits on another process or uses
// several threads), or the calling thread's processor time (single-threaded kernels, which
// the other work on a shared machine then disturbs much less).
enum class Clock { Wall, ThreadCpu };

inline double now(Clock clock) {
    if (clock == Clock::Wall)
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

struct Stats {
    double median = 0, min = 0, max = 0;
};

inline Stats stats(std::vector<double> v) {
    Stats s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    s.min = v.front();
    s.max = v.back();
    return s;
}

// Seconds per call of each side, one value per round.
struct Pair {
    std::vector<double> ours, reference;
};

// Runs both sides once to warm up, then `rounds` rounds; a round calls each side `batch`
// times (so that short kernels are timed over a span the clock resolves well).
inline Pair interleave(const std::function<void()>& ours, const std::function<void()>& reference,
                       Clock clock = Clock::Wall, int rounds = Rounds, int batch = 1) {
    Pair p;
    ours();
    reference();
    auto timed = [&](const std::function<void()>& f) {
        const double t0 = now(clock);
        for (int i = 0; i < batch; ++i)
            f();
        return (now(clock) - t0) / batch;
    };
    for (int r = 0; r < rounds; ++r) {
        if (r % 2 == 0) {
            p.ours.push_back(timed(ours));
            p.reference.push_back(timed(reference));
        } else {
            p.reference.push_back(timed(reference));
            p.ours.push_back(timed(ours));
        }
    }
    return p;
}

// How many calls make a batch of at least `span` seconds (at least 1).
inline int batchFor(const std::function<void()>& f, double span = 0.02, Clock clock = Clock::Wall) {
    const double t0 = now(clock);
    f();
    const double one = std::max(now(clock) - t0, 1e-7);
    return std::max(1, int(span / one));
}

// How the ratio of a case is read against its target.
enum class Goal {
    SpeedAtLeast, // reference time / our time, at least the target (1.0: as fast)
    TimeAtMost,   // our time / reference time, at most the target
};

struct Units {
    const char* name; // "ms", "us"
    double perSecond; // 1e3, 1e6
};
constexpr Units Ms{"ms", 1e3}, Us{"us", 1e6}, S{"s", 1.0};

// The ratio of each round (rounds paired as they ran), then their median: a round where the
// machine was busy for both sides still gives a fair ratio.
inline Stats roundRatios(const Pair& p, Goal goal) {
    std::vector<double> r;
    for (size_t i = 0; i < p.ours.size() && i < p.reference.size(); ++i)
        r.push_back(goal == Goal::SpeedAtLeast ? p.reference[i] / p.ours[i]
                                               : p.ours[i] / p.reference[i]);
    return stats(r);
}

inline bool summary(const std::string& name, double ours, double reference, const char* unit,
                    double ratio, Goal goal, double target) {
    const bool ok = goal == Goal::SpeedAtLeast ? ratio >= target : ratio <= target;
    std::printf("SUMMARY %s  %.4g %s  %.4g %s  %.3f  %s%.2f  %s\n", name.c_str(), ours, unit,
                reference, unit, ratio, goal == Goal::SpeedAtLeast ? ">=" : "<=", target,
                ok ? "ok" : "MISSED");
    std::fflush(stdout);
    return ok;
}

// Prints the rounds of a case and its summary line.
inline bool report(const std::string& name, const Pair& p, Goal goal, double target,
                   Units u = Ms, const char* oursLabel = "ours",
                   const char* referenceLabel = "reference") {
    const Stats o = stats(p.ours), r = stats(p.reference), q = roundRatios(p, goal);
    std::printf("%-40s %s median %.4g %s (%.4g-%.4g), %s median %.4g %s (%.4g-%.4g), "
                "ratio median %.3f (%.3f-%.3f), %zu rounds\n",
                name.c_str(), oursLabel, o.median * u.perSecond, u.name, o.min * u.perSecond,
                o.max * u.perSecond, referenceLabel, r.median * u.perSecond, u.name,
                r.min * u.perSecond, r.max * u.perSecond, q.median, q.min, q.max, p.ours.size());
    return summary(name, o.median * u.perSecond, r.median * u.perSecond, u.name, q.median, goal,
                   target);
}

// A case that could not be measured or checked: a summary line that fails the check.
inline bool failed(const std::string& name, const std::string& why) {
    std::printf("%s: %s\n", name.c_str(), why.c_str());
    std::printf("SUMMARY %s  -  -  -  -  MISSED\n", name.c_str());
    std::fflush(stdout);
    return false;
}

} // namespace bench
