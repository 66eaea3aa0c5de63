// An audio sink for the tests: registered above every real one, so the media
// player plays into it; it counts what it is given instead of making sound.
#pragma once

#include <cstdint>

namespace dlg::desktop::testing {

struct SinkCounts {
    std::uint64_t buffers = 0;
    std::uint64_t bytes = 0;
    bool ended = false;  // end of stream reached the sink
};

// Registers the sink once (after GStreamer has started).
void RegisterCountingAudioSink();
SinkCounts CountedSoFar();
void ResetCounts();

}  // namespace dlg::desktop::testing
