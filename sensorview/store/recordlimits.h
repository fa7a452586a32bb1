#pragma once

// The most values one record may hold. The list pane keeps a row for every
// channel, at about 200 bytes and a microsecond each; no sensor board has
// that many channels, and a longer line is rather a file whose line breaks
// went missing. A longer line is not read.
inline constexpr int MostValuesPerRecord = 1000000;
