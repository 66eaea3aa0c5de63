#include "apps/media_playback.h"

#include <gst/gst.h>

#include <cstdlib>
#include <memory>

namespace vocna::cli {
namespace {

constexpr GstClockTime kBusPollNanoseconds = 100 * GST_MSECOND;

struct GstObjectUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
using ElementPtr = std::unique_ptr<GstElement, GstObjectUnref>;
using BusPtr = std::unique_ptr<GstBus, GstObjectUnref>;

struct MessageUnref {
    void operator()(GstMessage* message) const { gst_message_unref(message); }
};
using MessagePtr = std::unique_ptr<GstMessage, MessageUnref>;

std::string TakeError(GError* error) {
    std::string text = error != nullptr ? error->message : "unknown error";
    if (error != nullptr) g_error_free(error);
    return text;
}

}  // namespace

PlaybackResult PlayToEnd(const std::string& path, const std::atomic<bool>& stop) {
    PlaybackResult result;
    gst_init(nullptr, nullptr);
    ElementPtr playbin(gst_element_factory_make("playbin", nullptr));
    if (!playbin) {
        result.error = "GStreamer's playbin element is missing (gstreamer1.0-plugins-base)";
        return result;
    }
    GError* error = nullptr;
    gchar* uri = gst_filename_to_uri(path.c_str(), &error);
    if (uri == nullptr) {
        result.error = TakeError(error);
        return result;
    }
    g_object_set(playbin.get(), "uri", uri, nullptr);
    g_free(uri);
    if (const char* sinkDescription = std::getenv("VOCNA_AUDIO_SINK")) {
        GstElement* sink = gst_parse_bin_from_description(sinkDescription, TRUE, &error);
        if (sink == nullptr) {
            result.error = "VOCNA_AUDIO_SINK: " + TakeError(error);
            return result;
        }
        // playbin takes the floating reference.
        g_object_set(playbin.get(), "audio-sink", sink, nullptr);
    }

    BusPtr bus(gst_element_get_bus(playbin.get()));
    // A file that cannot start still posts its error on the bus.
    const bool started =
        gst_element_set_state(playbin.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    const auto wanted = static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR);
    while (!stop.load()) {
        MessagePtr message(
            gst_bus_timed_pop_filtered(bus.get(), started ? kBusPollNanoseconds : 0, wanted));
        if (!message && !started) {
            result.error = "the file could not be started";
            break;
        }
        if (!message) continue;
        if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR) {
            gchar* debug = nullptr;
            gst_message_parse_error(message.get(), &error, &debug);
            g_free(debug);
            result.error = TakeError(error);
            break;
        }
        result.reachedEnd = true;
        gint64 duration = 0;
        if (gst_element_query_duration(playbin.get(), GST_FORMAT_TIME, &duration)) {
            result.seconds = static_cast<double>(duration) / static_cast<double>(GST_SECOND);
        }
        break;
    }
    gst_element_set_state(playbin.get(), GST_STATE_NULL);
    return result;
}

}  // namespace vocna::cli
