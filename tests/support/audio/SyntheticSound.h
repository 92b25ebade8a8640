// Sounds the tests make themselves: tones, bursts and silence, as samples
// and as 16-bit PCM WAV files.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
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

// The bytes of a WAV file of 16-bit samples; frames hold one sample per
// channel.
inline std::vector<uint8_t> wavBytes(const std::vector<float>& interleaved, int rate, int channels)
{
    std::vector<uint8_t> out;
    auto put = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>((value >> (8 * i)) & 0xFF));
    };
    auto tag = [&](const char* text) { out.insert(out.end(), text, text + 4); };
    const uint32_t dataBytes = static_cast<uint32_t>(interleaved.size() * 2);
    tag("RIFF");
    put(36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2); // PCM
    put(static_cast<uint32_t>(channels), 2);
    put(static_cast<uint32_t>(rate), 4);
    put(static_cast<uint32_t>(rate * channels * 2), 4);
    put(static_cast<uint32_t>(channels * 2), 2);
    put(16, 2);
    tag("data");
    put(dataBytes, 4);
    for (float sample : interleaved) {
        const double clamped = std::fmax(-1.0, std::fmin(1.0, sample));
        put(static_cast<uint16_t>(static_cast<int16_t>(std::lround(clamped * 32767))), 2);
    }
    return out;
}

// A WAV file of 32-bit float samples, which may hold values no 16-bit file
// can: beyond full scale, infinite, not a number.
inline std::vector<uint8_t> floatWavBytes(const std::vector<float>& samples, int rate)
{
    std::vector<uint8_t> out = wavBytes({}, rate, 1);
    auto putAt = [&](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF);
    };
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 4);
    putAt(4, 36 + dataBytes, 4);
    putAt(20, 3, 2); // IEEE float
    putAt(28, static_cast<uint32_t>(rate * 4), 4);
    putAt(32, 4, 2);
    putAt(34, 32, 2);
    putAt(40, dataBytes, 4);
    for (float sample : samples) {
        uint32_t bits = 0;
        std::memcpy(&bits, &sample, 4);
        out.resize(out.size() + 4);
        putAt(out.size() - 4, bits, 4);
    }
    return out;
}

// A WAV file of 16-bit samples; frames hold one sample per channel.
inline void writeWav(const std::string& path, const std::vector<float>& interleaved, int rate, int channels)
{
    const std::vector<uint8_t> bytes = wavBytes(interleaved, rate, channels);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace tavrix_test
