#include "app/posix/AlsaTone.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace kdx {

namespace {

constexpr unsigned kSampleRate = 48000;
constexpr double kAmplitude = 0.5 * 32767.0;

} // namespace

AlsaTone::AlsaTone(std::string device) : m_device(std::move(device)) {}

void AlsaTone::play(uint32_t frequencyHz, uint32_t durationMs)
{
    const auto start = std::chrono::steady_clock::now();
    if (!playSine(frequencyHz, durationMs)) {
        std::fputc('\a', stderr);
        std::fflush(stderr);
    }
    // Played or not, the caller is held for the whole tone.
    std::this_thread::sleep_until(start + std::chrono::milliseconds(durationMs));
}

bool AlsaTone::playSine(uint32_t frequencyHz, uint32_t durationMs)
{
    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, m_device.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (err < 0) {
        m_lastError = snd_strerror(err);
        return false;
    }
    err = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kSampleRate, 1,
                             100000 /* us latency */);
    if (err < 0) {
        m_lastError = snd_strerror(err);
        snd_pcm_close(pcm);
        return false;
    }
    const size_t frames = static_cast<size_t>(kSampleRate) * durationMs / 1000;
    std::vector<int16_t> samples(frames);
    const double step = 2.0 * M_PI * frequencyHz / kSampleRate;
    for (size_t i = 0; i < frames; ++i)
        samples[i] = static_cast<int16_t>(kAmplitude * std::sin(step * static_cast<double>(i)));

    size_t done = 0;
    while (done < frames) {
        snd_pcm_sframes_t n = snd_pcm_writei(pcm, samples.data() + done, frames - done);
        if (n < 0)
            n = snd_pcm_recover(pcm, static_cast<int>(n), 1);
        if (n < 0) {
            m_lastError = snd_strerror(static_cast<int>(n));
            snd_pcm_close(pcm);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    snd_pcm_drain(pcm);
    snd_pcm_close(pcm);
    m_lastError.clear();
    return true;
}

} // namespace kdx
