#include "platform/gbk_table.h"

#include "platform/ascii_run.h"
#include "platform/iconv_codec.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace kesmora::platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kEuro = 0x20AC;
constexpr std::uint16_t kEuroByte = 0x80;
constexpr std::uint16_t kNoBytes = 0xFFFF; // encoding: the unit has no bytes in 936

bool IsLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
bool IsTrail(unsigned char c) {
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}
bool IsSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDFFF;
}

// What a lead byte followed by each possible byte reads as: a pair with a character,
// or U+FFFD standing for the pair (when the second byte may trail) or for the lead
// byte alone.
struct DecodeRow {
    char16_t unit[256];
    std::uint8_t length[256];
};
// The bytes of each unit of a block: below 0x100 one byte, else a pair, or kNoBytes.
using EncodeBlock = std::array<std::uint16_t, 256>;

// One conversion from scratch, as the iconv path makes it at the start of a character.
struct Converted {
    IconvCodec::Step step;
    unsigned char out[8];
};
Converted ConvertOne(IconvCodec& codec, const void* input, std::size_t size) {
    Converted c{};
    codec.Reset();
    c.step = codec.Convert(static_cast<const char*>(input), size, reinterpret_cast<char*>(c.out),
                           sizeof c.out);
    return c;
}
bool StoppedAtStart(const IconvCodec::Step& step) {
    return step.read == 0 && step.written == 0 &&
           (step.status == IconvCodec::Status::Invalid ||
            step.status == IconvCodec::Status::Incomplete);
}

std::unique_ptr<DecodeRow> BuildDecodeRow(unsigned char lead) {
    IconvCodec codec("UTF-16LE", "GBK");
    auto row = std::make_unique<DecodeRow>();
    for (unsigned trail = 0; trail < 256; ++trail) {
        const unsigned char pair[2] = {lead, static_cast<unsigned char>(trail)};
        const Converted c = ConvertOne(codec, pair, 2);
        if (c.step.status == IconvCodec::Status::Done && c.step.read == 2 && c.step.written == 2) {
            row->unit[trail] = static_cast<char16_t>(c.out[0] | c.out[1] << 8);
            row->length[trail] = 2;
        } else if (StoppedAtStart(c.step)) {
            row->unit[trail] = kReplacement;
            row->length[trail] = IsTrail(pair[1]) ? 2 : 1;
        } else {
            return nullptr;
        }
    }
    return row;
}

std::unique_ptr<EncodeBlock> BuildEncodeBlock(unsigned high) {
    IconvCodec codec("GBK", "UTF-16LE");
    auto block = std::make_unique<EncodeBlock>();
    for (unsigned low = 0; low < 256; ++low) {
        const char16_t unit = static_cast<char16_t>(high << 8 | low);
        const unsigned char le[2] = {static_cast<unsigned char>(low),
                                     static_cast<unsigned char>(high)};
        const Converted c = ConvertOne(codec, le, 2);
        std::uint16_t& bytes = (*block)[low];
        if (c.step.status == IconvCodec::Status::Done && c.step.read == 2 && c.step.written == 1)
            bytes = c.out[0];
        else if (c.step.status == IconvCodec::Status::Done && c.step.read == 2 &&
                 c.step.written == 2 && IsLead(c.out[0]) && c.out[1] != 0xFF)
            bytes = static_cast<std::uint16_t>(c.out[0] << 8 | c.out[1]);
        else if (StoppedAtStart(c.step))
            bytes = unit == kEuro ? kEuroByte : kNoBytes;
        else
            return nullptr;
    }
    return block;
}

// Publishes a part that one thread built; a thread that lost the race takes the
// winner's. Null when the part could not be built.
template <typename Part>
const Part* Publish(std::atomic<const Part*>& slot, std::unique_ptr<Part> built) {
    if (!built)
        return nullptr;
    const Part* expected = nullptr;
    if (slot.compare_exchange_strong(expected, built.get(), std::memory_order_acq_rel))
        return built.release();
    return expected;
}

class GbkTables {
public:
    // Checks that ASCII maps to itself both ways, and reads every byte on its own.
    GbkTables() {
        IconvCodec decoder("UTF-16LE", "GBK");
        IconvCodec encoder("GBK", "UTF-16LE");
        usable_ = DecodesAscii(decoder) && ReadSingleBytes(decoder) && EncodesAscii(encoder);
    }

    bool usable() const { return usable_; }
    char16_t Single(unsigned char c) const { return single_[c]; }
    const DecodeRow* Row(unsigned char lead) {
        const DecodeRow* row = rows_[lead - 0x80].load(std::memory_order_acquire);
        return row != nullptr ? row : Publish(rows_[lead - 0x80], BuildDecodeRow(lead));
    }
    const EncodeBlock* Block(char16_t unit) {
        const EncodeBlock* block = blocks_[unit >> 8].load(std::memory_order_acquire);
        return block != nullptr ? block : Publish(blocks_[unit >> 8], BuildEncodeBlock(unit >> 8));
    }

private:
    // A byte of 0x80 and up that starts no pair, or a lead byte cut off by the end.
    bool ReadSingleBytes(IconvCodec& decoder) {
        for (unsigned b = 0x80; b < 0x100; ++b) {
            const unsigned char byte = static_cast<unsigned char>(b);
            const Converted c = ConvertOne(decoder, &byte, 1);
            if (!IsLead(byte) && c.step.status == IconvCodec::Status::Done && c.step.written == 2)
                single_[b] = static_cast<char16_t>(c.out[0] | c.out[1] << 8);
            else if (StoppedAtStart(c.step))
                single_[b] = b == kEuroByte ? kEuro : kReplacement;
            else
                return false;
        }
        return true;
    }

    // Every byte below 0x80 as the unit of the same value, and back, in one conversion.
    static bool DecodesAscii(IconvCodec& decoder) {
        unsigned char bytes[0x80];
        char16_t units[0x80];
        for (unsigned b = 0; b < 0x80; ++b)
            bytes[b] = static_cast<unsigned char>(b);
        decoder.Reset();
        const IconvCodec::Step step =
            decoder.Convert(reinterpret_cast<const char*>(bytes), sizeof bytes,
                            reinterpret_cast<char*>(units), sizeof units);
        if (step.status != IconvCodec::Status::Done || step.written != sizeof units)
            return false;
        for (unsigned b = 0; b < 0x80; ++b)
            if (units[b] != b)
                return false;
        return true;
    }
    static bool EncodesAscii(IconvCodec& encoder) {
        char16_t units[0x80];
        unsigned char bytes[0x80];
        for (unsigned b = 0; b < 0x80; ++b)
            units[b] = static_cast<char16_t>(b);
        encoder.Reset();
        const IconvCodec::Step step =
            encoder.Convert(reinterpret_cast<const char*>(units), sizeof units,
                            reinterpret_cast<char*>(bytes), sizeof bytes);
        if (step.status != IconvCodec::Status::Done || step.written != sizeof bytes)
            return false;
        for (unsigned b = 0; b < 0x80; ++b)
            if (bytes[b] != b)
                return false;
        return true;
    }

    bool usable_ = false;
    char16_t single_[256] = {};
    std::atomic<const DecodeRow*> rows_[0x80] = {};
    std::atomic<const EncodeBlock*> blocks_[0x100] = {};
};

// Built once, on first use, and kept for the life of the process.
GbkTables* Tables() {
    static GbkTables* const tables = new GbkTables();
    return tables->usable() ? tables : nullptr;
}

template <bool kWrite>
std::optional<std::size_t> Decode(GbkTables& tables, const unsigned char* s, std::size_t n,
                                  char16_t* out) {
    std::size_t i = 0, o = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            const std::size_t run = WidenAscii(s + i, n - i, kWrite ? out + o : nullptr);
            i += run, o += run;
            if (i >= n)
                break;
        }
        const unsigned char c = s[i];
        char16_t unit = tables.Single(c);
        std::size_t length = 1;
        if (IsLead(c) && i + 1 < n) {
            const DecodeRow* row = tables.Row(c);
            if (row == nullptr)
                return std::nullopt;
            unit = row->unit[s[i + 1]];
            length = row->length[s[i + 1]];
        }
        if constexpr (kWrite)
            out[o] = unit;
        ++o, i += length;
    }
    return o;
}

template <bool kWrite>
std::optional<std::size_t> Encode(GbkTables& tables, const char16_t* s, std::size_t n,
                                  std::string_view defaultChar, bool* usedDefault,
                                  unsigned char* out) {
    std::size_t i = 0, o = 0;
    auto put = [&](unsigned byte) {
        if constexpr (kWrite)
            out[o] = static_cast<unsigned char>(byte);
        ++o;
    };
    while (i < n) {
        if (s[i] < 0x80) {
            const std::size_t run = NarrowAscii(s + i, n - i, kWrite ? out + o : nullptr);
            i += run, o += run;
            if (i >= n)
                break;
        }
        const char16_t unit = s[i++];
        std::uint16_t bytes =
            kNoBytes; // a surrogate, paired or not: 936 has nothing beyond the BMP
        if (!IsSurrogate(unit)) {
            const EncodeBlock* block = tables.Block(unit);
            if (block == nullptr)
                return std::nullopt;
            bytes = (*block)[unit & 0xFF];
        }
        if (bytes == kNoBytes) {
            for (char d : defaultChar)
                put(static_cast<unsigned char>(d));
            if (usedDefault != nullptr)
                *usedDefault = true;
        } else if (bytes >= 0x100) {
            put(bytes >> 8), put(bytes & 0xFF);
        } else {
            put(bytes);
        }
    }
    return o;
}

} // namespace

std::optional<std::size_t> DecodeGbk(std::string_view source, char16_t* out) {
    GbkTables* tables = Tables();
    if (tables == nullptr)
        return std::nullopt;
    const auto* s = reinterpret_cast<const unsigned char*>(source.data());
    return out != nullptr ? Decode<true>(*tables, s, source.size(), out)
                          : Decode<false>(*tables, s, source.size(), nullptr);
}

std::optional<std::size_t> EncodeGbk(std::u16string_view source, std::string_view defaultChar,
                                     bool* usedDefault, char* out) {
    GbkTables* tables = Tables();
    if (tables == nullptr)
        return std::nullopt;
    auto* o = reinterpret_cast<unsigned char*>(out);
    return out != nullptr
               ? Encode<true>(*tables, source.data(), source.size(), defaultChar, usedDefault, o)
               : Encode<false>(*tables, source.data(), source.size(), defaultChar, usedDefault,
                               nullptr);
}

} // namespace kesmora::platform
