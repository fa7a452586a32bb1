#pragma once

#include <array>

// Where live input stands in time: the newest end of a live window.
//
// The largest time ever seen would let one wild record decide the window:
// a single line with the time 1e300 would push every other record out of
// it. The stream as it arrives decides instead. Of the times of the last
// records that arrived, the newest counts that is not far above the rest:
// above the upper quartile by more than three times the spread between the
// quartiles is far. So a stream's newest record stands at the window's end,
// and a few records far from the others move it not at all. Until there are
// four times to compare, the lower median stands in. A stream that really
// jumps (a board that restarts its clock) moves it once the jump is among
// the recent times.
class LiveAnchor
{
public:
    static constexpr int RecentRecords = 63;
    // Times it takes to tell a wild one from the rest.
    static constexpr int TimesToCompare = 4;

    // A record that arrived, in the order of arrival.
    void add(double time);
    bool isEmpty() const { return count == 0; }
    // Whether enough times came to tell a wild one from the others.
    bool comparesTimes() const { return count >= TimesToCompare; }
    // The median of the recent times; meaningless while empty.
    double time() const;
    void clear();

private:
    std::array<double, RecentRecords> recent{};
    int count = 0;
    int next = 0;
};
