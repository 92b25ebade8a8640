// Sounds the tests make themselves: tones, bursts and silence, as samples
// and as 16-bit PCM WAV files.
#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace tavrix_test {

// A sine of amplitude (peak) and frequency from start to end seconds,
// silence elsewhere, in a sound of length seconds.
inline std::vector<float> toneBurst(int rate, double length, double start, double end, double amplitude,
                                    double frequency = 220.0)
{
    std::vector<float> samples(static_cast<size_t>(std::lround(length * rate)), 0.0f);
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        if (t >= start && t < end) samples[i] = static_cast<float>(amplitude * std::sin(2 * M_PI * frequency * (t - start)));
    }
    return samples;
}

// When the first sample louder than a quiet hum comes, in seconds; -1 for
// silence throughout.
inline double firstSound(const std::vector<float>& samples, int rate)
{
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::fabs(samples[i]) > 0.05f) return static_cast<double>(i) / rate;
    }
    return -1;
}

// A WAV file of 16-bit samples; frames hold one sample per channel.
inline void writeWav(const std::string& path, const std::vector<float>& interleaved, int rate, int channels)
{
    std::ofstream out(path, std::ios::binary);
    auto put = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    const uint32_t dataBytes = static_cast<uint32_t>(interleaved.size() * 2);
    out.write("RIFF", 4);
    put(36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    put(16, 4);
    put(1, 2); // PCM
    put(static_cast<uint32_t>(channels), 2);
    put(static_cast<uint32_t>(rate), 4);
    put(static_cast<uint32_t>(rate * channels * 2), 4);
    put(static_cast<uint32_t>(channels * 2), 2);
    put(16, 2);
    out.write("data", 4);
    put(dataBytes, 4);
    for (float sample : interleaved) {
        const double clamped = std::fmax(-1.0, std::fmin(1.0, sample));
        put(static_cast<uint16_t>(static_cast<int16_t>(std::lround(clamped * 32767))), 2);
    }
}

} // namespace tavrix_test
