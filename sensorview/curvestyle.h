#pragma once

// How a channel's curve is drawn. The numbers are those a host passes to
// setChannelStyle and that the rows keep in their style role.
enum class CurveStyle { Linear = 1, Steps = 2, Blocks = 3, Events = 4 };
