#pragma once
// The coupling rules between editor values, as pure arithmetic. Each returns true when it
// changed the values (the fields are then written back) and false when it stops early.
// Together they keep: each channel's audio delay at least its own response time and at most
// 880 ms, both delays at most 896 ms together, each non-detection threshold below its
// detection threshold, and each receive gain at most the noise detection threshold + 109.
#include "EditorValues.h"

#include <cstdint>

namespace hx {

enum class Channel { A, B };

// Leaving an audio delay field: the channel's delay against its response time and the 896 ms
// total; the other channel's delay takes the remainder.
bool AudioDelayRule(EditorValues& v, Channel ch);

// A response time changed from oldResponse to its present value: the channel's delay moves by
// the same amount, kept between the new response time and 880 ms. False when it did not change.
bool ResponseTimeRule(EditorValues& v, Channel ch, int32_t oldResponse);

// Signal thresholds (common): the other threshold follows, 12 dB apart.
bool SignalOnRule(EditorValues& v);
bool SignalOffRule(EditorValues& v);

// Noise thresholds and receive gain of one channel.
bool NoiseOnRule(EditorValues& v, Channel ch);
bool NoiseOffRule(EditorValues& v, Channel ch);
bool RxGainRule(EditorValues& v, Channel ch);

} // namespace hx
