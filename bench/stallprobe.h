#pragma once
// The longest time the GUI thread went without serving its events, seen from outside it: a
// probe thread posts an event to the GUI thread every 5 ms, stamped with the time it was
// posted, and the GUI thread notes how late each one was handled.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace bench {

class StallProbe : public QObject {
public:
    static constexpr int PeriodMs = 5;

    ~StallProbe() override { stop(); }

    void start() {
        stop();
        longestNs_ = 0;
        running_ = true;
        thread_ = std::thread([this] {
            auto next = std::chrono::steady_clock::now();
            while (running_) {
                QCoreApplication::postEvent(this, new Stamp(nowNs()));
                next += std::chrono::milliseconds(PeriodMs);
                std::this_thread::sleep_until(next);
            }
        });
    }

    // Stops the probe, lets the GUI thread handle what is still queued, and returns the
    // longest delay in milliseconds.
    double stop() {
        if (thread_.joinable()) {
            running_ = false;
            thread_.join();
            QCoreApplication::sendPostedEvents(this, Stamp::Type);
        }
        return double(longestNs_) / 1e6;
    }

protected:
    void customEvent(QEvent *e) override {
        if (e->type() == Stamp::Type)
            longestNs_ = std::max(longestNs_, nowNs() - static_cast<Stamp *>(e)->posted);
    }

private:
    struct Stamp : QEvent {
        static constexpr QEvent::Type Type = QEvent::Type(QEvent::User + 271);
        explicit Stamp(qint64 ns) : QEvent(Type), posted(ns) {}
        qint64 posted;
    };
    static qint64 nowNs() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    std::thread thread_;
    std::atomic<bool> running_{false};
    qint64 longestNs_ = 0;
};

} // namespace bench
