#pragma once

#include "signaldata.h"

#include <vector>

// Minimum and maximum of one channel of a series over any run of records,
// read from a pyramid of block envelopes (16 records a block at the first
// level, 16 blocks of the level below at each next one), so that a run of a
// million records costs a few dozen reads.
class Envelope
{
public:
    // Brings the pyramid up to date with `series`, extending it when the
    // series only grew at its end since the last call.
    void update(const SignalData &store, const SignalSeries &series, int channel);

    // False when some record lacks the channel or holds NaN: such data is
    // drawn record by record.
    bool isComplete() const { return complete; }

    // The smallest and largest value of the records [first, last).
    void range(const SignalData &store, const SignalSeries &series, int first, int last,
               double *min, double *max) const;

private:
    static constexpr int Fanout = 16;

    // Grown in place as records arrive: copying a dozen of these to larger
    // arrays at once would hold up the painting that extends them.
    struct Level
    {
        PodVector<double> min;
        PodVector<double> max;
    };

    void rebuildFrom(const SignalData &store, const SignalSeries &series, int firstRecord);

    std::vector<Level> levels;
    int channel = -1;
    int records = 0;
    quint64 revision = 0;
    bool complete = true;
};
