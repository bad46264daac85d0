// The two text forms of machine code, ByteSetLiteral {184,1,0,0,0} and HexByteText
// B8 01 00 00 00, their readers and writers, and the text rules they rest on.
// Texts are GBK byte strings: a lead byte and its trail byte are one character, and no rule
// ever starts a match on a trail byte. The readers never fail; malformed text maps to bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kovrel::app {

using Bytes = std::vector<uint8_t>;

// ---- text rules

// Length in bytes of the character starting at text[i] (2 for a GBK lead byte with a byte
// after it, else 1).
size_t characterLength(std::string_view text, size_t i);
// Cuts at every separator. Empty segments between separators and before a leading
// separator count; the segment after the last separator counts only when not empty.
std::vector<std::string_view> split(std::string_view text, std::string_view separator);
// Number of segments split() gives, without building them.
size_t countSegments(std::string_view text, std::string_view separator);
// 1-based position of the first (last) occurrence at a character start, or -1.
long long find(std::string_view text, std::string_view part);
long long findLast(std::string_view text, std::string_view part);
bool contains(std::string_view text, std::string_view part);
// Spaces are the ASCII space and the full-width space A1 A1, nothing else.
std::string_view trimStart(std::string_view text);
std::string_view trimBothEnds(std::string_view text);
std::string removeSpaces(std::string_view text);
// Every occurrence of `from` (at a character start) replaced by `to`.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);
// Decimal reading of one byte, full-width digits and signs included; wraps modulo 256.
uint8_t textToByte(std::string_view text);
// Only ASCII letters change; both bytes of a double-byte character are copied unchanged.
std::string toUpperCase(std::string_view text);
std::string toLowerCase(std::string_view text);
// The bytes up to, not including, the first zero byte.
std::string bytesAsText(const Bytes& bytes);

// ---- writers

std::string formatByteSetLiteral(const Bytes& bytes);
std::string formatHexByteText(const Bytes& bytes);
std::string hexDigitPair(uint8_t byte);

// ---- readers

// Called while a long text is being read, so the window can answer.
using PendingEvents = std::function<void()>;

// Strict: the text must start with "{" and end with "}" exactly as passed.
Bytes parseByteSetLiteral(std::string_view text, const PendingEvents& pendingEvents = {});
// Lenient: braces anywhere (never a trail byte) are dropped, the rest split at ",".
Bytes readByteList(std::string_view text);
// Pairs of case-sensitive hex digits after removing spaces; a bad digit counts as -2.
Bytes parseHexByteText(std::string_view text);
// Decimal value of a group of one or two hex digits, case ignored, a bad digit counting -2.
std::string hexPairValue(std::string_view group);
// A ByteSetLiteral-shaped text of hexPairValue groups (commas placed by the group rule).
std::string hexTextToByteSetLiteral(std::string_view text);

// Number of bytes each reader would give, without building them.
size_t countByteSetLiteral(std::string_view text, const PendingEvents& pendingEvents = {});
size_t countHexByteText(std::string_view text);

// Line breaks of an edit box are CR LF; a lone LF (as some toolkits hand out) counts as one.
std::string withCrLf(std::string_view text);

}  // namespace kovrel::app
