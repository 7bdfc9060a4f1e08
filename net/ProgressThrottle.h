#pragma once
// The progress reports of one file's transfer as a face gets them: a face repaints only when
// its events run, and a report per 4 KB block would flood it over a fast link.
#include <QElapsedTimer>
#include <cstdint>
#include <functional>

class ProgressThrottle {
public:
    using Send = std::function<void(uint32_t received, uint32_t size)>;
    explicit ProgressThrottle(Send send) : send_(std::move(send)) {}

    // Passes the values on for the first call, for a full bar and when 10 ms have passed since
    // the last report; otherwise keeps them for Finish.
    void Update(uint32_t received, uint32_t size);
    // Passes on the last values that were kept back, if any.
    void Finish();

private:
    void Report();

    Send send_;
    QElapsedTimer sinceReport_;
    uint32_t received_ = 0;
    uint32_t size_ = 0;
    bool pending_ = false;
};
