// The program's text layer: GBK text, byte buffers and the primitives every routine
// that cuts, searches or compares text is built from.
//
// Conventions of every primitive here:
//   - Positions are 1-based byte positions; a search that finds nothing gives -1.
//   - A byte of 0x80 or above together with the byte after it is one character. Walks
//     (find, replace, split, case changes) step over such pairs from their start
//     position, so a match never begins on the second byte of a pair that the walk
//     stepped over. A start position handed in by a caller is used unchanged, even on
//     the second byte of a pair. A lone lead byte at the very end is one character.
//   - Case-insensitive comparison and case changes touch ASCII letters only.
//   - Every routine returns a new value and leaves its arguments alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kesmora {

// GBK (code page 936) text, ended by the first zero byte: construction from bytes
// keeps only what comes before the first zero, so a Text never holds one. An absent
// text and an empty text are the same.
class Text {
public:
    Text() = default;
    Text(const char* s);                   // NOLINT: literals are texts; null is empty
    Text(const char* s, std::size_t n);    // at most n bytes, cut at the first zero
    explicit Text(std::string_view bytes); // cut at the first zero
    explicit Text(std::string&& bytes);    // takes the buffer, cut at the first zero

    const std::string& str() const { return s_; }
    std::string_view view() const { return s_; }
    const char* c_str() const { return s_.c_str(); }
    std::size_t size() const { return s_.size(); }
    int length() const { return static_cast<int>(s_.size()); }
    bool empty() const { return s_.empty(); }
    // Byte at a 0-based index, as an unsigned value.
    unsigned char at(std::size_t i) const { return static_cast<unsigned char>(s_[i]); }

    Text& operator+=(const Text& other) {
        s_ += other.s_;
        return *this;
    }
    friend Text operator+(Text a, const Text& b) { return a += b; }
    friend bool operator==(const Text& a, const Text& b) { return a.s_ == b.s_; }
    friend bool operator!=(const Text& a, const Text& b) { return a.s_ != b.s_; }

private:
    std::string s_;
};

// A length-counted byte buffer that may hold zero bytes. An empty buffer is handed to
// platform calls as no data.
class Bytes {
public:
    Bytes() = default;
    Bytes(const void* data, std::size_t n);
    explicit Bytes(std::string bytes) : b_(std::move(bytes)) {}

    const std::string& str() const { return b_; }
    std::string& str() { return b_; }
    const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(b_.data()); }
    // Address of the first byte for platform calls; null when empty.
    const unsigned char* dataOrNull() const { return b_.empty() ? nullptr : data(); }
    std::size_t size() const { return b_.size(); }
    bool empty() const { return b_.empty(); }
    void append(const void* data, std::size_t n) { b_.append(static_cast<const char*>(data), n); }
    void clear() { b_.clear(); }

    friend bool operator==(const Bytes& a, const Bytes& b) { return a.b_ == b.b_; }
    friend bool operator!=(const Bytes& a, const Bytes& b) { return a.b_ != b.b_; }

private:
    std::string b_;
};

using TextArray = std::vector<Text>;

// Bytes to text keeps the bytes before the first zero; text to bytes keeps every byte
// without a terminator.
Text ToText(const Bytes& bytes);
Bytes ToBytes(const Text& text);

// --- searching ---------------------------------------------------------------------

// First occurrence of `needle` at or after `start` (below 1 means 1). An empty needle
// gives 1 whenever the text has a byte at or after `start`, -1 otherwise.
int Find(const Text& text, const Text& needle, int start = 1, bool ignoreCase = false);
// Last occurrence of `needle` that begins at or after `start`, walking as Find does.
// An empty needle follows the same rule as Find.
int FindBackward(const Text& text, const Text& needle, int start = 1, bool ignoreCase = false);
// Find from the first byte does not give -1.
bool Contains(const Text& text, const Text& needle, bool ignoreCase = false);

// --- cutting -------------------------------------------------------------------------

// n of 0 or less gives empty; n beyond the length gives the whole text.
Text Left(const Text& text, int n);
Text Right(const Text& text, int n);
// Empty when `start` lies outside the text or n is 0 or less; clipped at the end.
Text Middle(const Text& text, int start, int n);
// Everything from `start` to the end; empty when `start` lies outside the text.
Text Middle(const Text& text, int start);

// Pieces between delimiters, in order. An empty text gives no pieces; an empty piece
// between adjacent delimiters stays; a final empty piece is dropped. An empty
// delimiter gives the whole text as the one piece.
TextArray Split(const Text& text, const Text& delimiter);
// Joins the items with the delimiter between them.
Text Join(const TextArray& items, const Text& delimiter);

// Every non-overlapping occurrence, left to right. An empty `from` changes nothing.
Text Replace(const Text& text, const Text& from, const Text& to, bool ignoreCase = false);

// Removes spaces (0x20) and full-width spaces (the pair A1 A1) at both ends; tabs, CR
// and LF stay.
Text Trim(const Text& text);

// ASCII letters only; the trail byte of a double-byte pair is never changed.
Text ToUpper(const Text& text);
Text ToLower(const Text& text);

// Leading blanks (spaces and tabs) skipped, then decimal digits up to the first other
// byte; no digits give 0. A value past the int range saturates.
int ToInteger(const Text& text);

// Byte by byte as unsigned values; a proper prefix comes first. Gives -1, 0 or 1.
int Compare(const Text& a, const Text& b);

// Always a new text; empty parts count as empty.
Text Concat(std::initializer_list<Text> parts);

// True when the text starts with / ends with the given bytes (regarding case).
bool StartsWith(const Text& text, const Text& prefix);
bool EndsWith(const Text& text, const Text& suffix);

} // namespace kesmora
