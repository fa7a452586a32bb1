#pragma once

// The most values one record may hold. The list pane keeps a row for every
// channel, which for a line of a million values takes gigabytes and seconds
// per step; no sensor board has that many channels, and such a line is
// rather a file whose line breaks went missing. A longer line is not read.
inline constexpr int MostValuesPerRecord = 100000;
