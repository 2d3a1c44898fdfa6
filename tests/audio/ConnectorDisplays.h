#pragma once

#include "audio/BufferHeader.h"
#include "audio/MMDisplay.h"
#include "platform/Exception.h"

#include <cstring>
#include <string>
#include <vector>

namespace connector_test {

SONAVIA_ERROR_CLASS(ETestDisplayError, platform::Exception)

// A display that records what the connector hands it. Blocks are identified by
// their first 16-bit sample, which the test buffers set to the sample's index.
template <class Base> class Recording : public Base {
public:
    explicit Recording(std::int32_t bytesPerRefresh = 0) : bytes(bytesPerRefresh) {}

    void SetStreamFormat(const TWaveFormatEx* format) override
    {
        if (refuseFormat)
            throw ETestDisplayError("Invalid WaveFormat");
        lastFormat = *format;
        ++formats;
    }
    std::int32_t BytesPerRefresh() const override { return bytes; }
    void ConsumePcm(const std::uint8_t* data) override
    {
        std::int16_t first;
        std::memcpy(&first, data, sizeof first);
        firstSamples.push_back(first);
        lastBlock.assign(data, data + bytes);
    }
    void ClearDisplay() override { ++clears; }

    // Byte offsets of the delivered blocks, for buffers made by IndexedBuffer.
    std::vector<std::int32_t> Offsets() const
    {
        std::vector<std::int32_t> offsets;
        for (std::int16_t s : firstSamples)
            offsets.push_back(s * 2);
        return offsets;
    }

    std::int32_t bytes;
    bool refuseFormat = false;
    TWaveFormatEx lastFormat{};
    int formats = 0;
    int clears = 0;
    std::vector<std::int16_t> firstSamples;
    std::vector<std::uint8_t> lastBlock;
};

using RecordingDisplay = Recording<TMMDisplay>;

class RecordingOscope final : public Recording<TMMOscopeDisplay> {
public:
    using Recording::Recording;
    bool Scroll() const override { return scroll; }
    bool Accelerate() const override { return accelerate; }
    std::int32_t FFTLength() const override { return fftLength; }
    TMMBits BitLength() const override { return b16Bit; }
    TMMMode Mode() const override { return mStereo; }
    bool scroll = false;
    bool accelerate = false;
    std::int32_t fftLength = 128;
};

class RecordingSpectrogram final : public Recording<TMMSpectrogramDisplay> {
public:
    using Recording::Recording;
    bool Accelerate() const override { return accelerate; }
    bool accelerate = false;
};

// A device buffer whose 16-bit samples hold their own index.
class IndexedBuffer {
public:
    explicit IndexedBuffer(std::int32_t bytes) : data_(static_cast<std::size_t>(bytes))
    {
        for (std::size_t i = 0; i + 1 < data_.size(); i += 2) {
            const auto index = static_cast<std::int16_t>(i / 2);
            std::memcpy(&data_[i], &index, sizeof index);
        }
        Point();
    }
    std::vector<std::uint8_t>& Data() { return data_; }
    BufferHeader* Header()
    {
        Point();
        return &header_;
    }

private:
    void Point()
    {
        header_ = BufferHeader{};
        header_.hdr.lpData = reinterpret_cast<char*>(data_.data());
        header_.hdr.dwBufferLength = static_cast<std::uint32_t>(data_.size());
        header_.hdr.dwBytesRecorded = static_cast<std::uint32_t>(data_.size());
    }
    std::vector<std::uint8_t> data_;
    BufferHeader header_{};
};

} // namespace connector_test
