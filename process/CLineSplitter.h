#pragma once
// Splits a child's output, arriving in chunks of any size, into lines. The text after
// the last line feed is kept as the unfinished line and completed by a later chunk,
// so a line split across two reads is seen once, whole. A prompt that ends without a
// line feed stays visible as the unfinished line (Pending) until more text arrives.
//
// One splitter serves one stream; it is not thread-safe.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CLineSplitter {
public:
    // Lines longer than this keep their first MAX_LINE bytes; the rest is dropped.
    static constexpr std::size_t MAX_LINE = 64 * 1024;

    // Adds a chunk and answers the lines it completed, without their line feed and
    // without one carriage return before it.
    std::vector<std::string> Feed(std::string_view chunk);

    // The unfinished last line (text after the last line feed so far).
    const std::string& Pending() const { return strPending; }

    // Answers the unfinished line and forgets it (end of the stream).
    std::string Flush();

private:
    std::string strPending;
    bool bOverflow = false;  // the pending line passed MAX_LINE; the rest is dropped
};
