#include "platform/dialog/desktop/tests/counting_audio_sink.h"

#include <gst/base/gstbasesink.h>
#include <gst/gst.h>

#include <atomic>

namespace dlg::desktop::testing {
namespace {

std::atomic<std::uint64_t> g_buffers{0};
std::atomic<std::uint64_t> g_bytes{0};
std::atomic<bool> g_ended{false};

struct CountingSink {
    GstBaseSink parent;
};
struct CountingSinkClass {
    GstBaseSinkClass parent;
};

GType CountingSinkType();

GstFlowReturn Render(GstBaseSink*, GstBuffer* buffer) {
    ++g_buffers;
    g_bytes += gst_buffer_get_size(buffer);
    return GST_FLOW_OK;
}

gboolean Event(GstBaseSink* sink, GstEvent* event) {
    if (GST_EVENT_TYPE(event) == GST_EVENT_EOS) g_ended = true;
    return GST_BASE_SINK_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(sink)))
        ->event(sink, event);
}

void ClassInit(gpointer klass, gpointer) {
    auto* element = GST_ELEMENT_CLASS(klass);
    static GstStaticPadTemplate sinkTemplate = GST_STATIC_PAD_TEMPLATE(
        "sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("audio/x-raw"));
    gst_element_class_add_static_pad_template(element, &sinkTemplate);
    gst_element_class_set_static_metadata(element, "Counting audio sink", "Sink/Audio",
                                          "Counts the sound it is given", "tests");
    auto* base = GST_BASE_SINK_CLASS(klass);
    base->render = Render;
    base->event = Event;
}

void InstanceInit(GTypeInstance* instance, gpointer) {
    // As fast as the decoder goes: the test waits for the sound, not the clock.
    gst_base_sink_set_sync(GST_BASE_SINK(instance), FALSE);
}

GType CountingSinkType() {
    static GType type = g_type_register_static_simple(
        GST_TYPE_BASE_SINK, "KvCountingAudioSink", sizeof(CountingSinkClass), ClassInit,
        sizeof(CountingSink), InstanceInit, GTypeFlags(0));
    return type;
}

}  // namespace

void RegisterCountingAudioSink() {
    gst_init_check(nullptr, nullptr, nullptr);
    static const bool registered =
        gst_element_register(nullptr, "kvcountingaudiosink", GST_RANK_PRIMARY + 1000,
                             CountingSinkType()) != FALSE;
    (void)registered;
}

SinkCounts CountedSoFar() {
    return {g_buffers.load(), g_bytes.load(), g_ended.load()};
}

void ResetCounts() {
    g_buffers = 0;
    g_bytes = 0;
    g_ended = false;
}

}  // namespace dlg::desktop::testing
