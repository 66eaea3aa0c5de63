// Plays a media file to its end with GStreamer, for the terminal front end's
// media player. The audio goes to the sink described by $VOCNA_AUDIO_SINK (a
// gst-launch description such as "fakesink sync=true"), else to the system's
// default sink.
#pragma once

#include <atomic>
#include <string>

namespace vocna::cli {

struct PlaybackResult {
    bool reachedEnd = false;
    std::string error;     // why it did not play, when it did not
    double seconds = 0.0;  // the stream's duration as GStreamer reports it
};

// Blocks until the file has played, failed, or `stop` became true.
PlaybackResult PlayToEnd(const std::string& path, const std::atomic<bool>& stop);

}  // namespace vocna::cli
