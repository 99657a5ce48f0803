#include "words/WordNet.h"

// Last: the library's header is C and defines many short macros.
#include <wn.h>

namespace {

// Printable and not a space: what a WordNet word is made of here.
bool isGraphic(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return b >= 33 && b <= 126;
}

} // namespace

const char* searchWordNet()
{
    wninit();
    // findtheinfo takes a writable string; it returns the library's own
    // static buffer.
    char word[] = "fall";
    const char* text = findtheinfo(word, VERB, SYNS, ALLSENSES);
    return text ? text : "";
}

TextSpan nextWordNetWord(const char* text, int length, int& pos)
{
    if (pos < 0 || pos > length)
        pos = 0;
    while (pos < length && !isGraphic(text[pos]))
        ++pos;
    TextSpan word{pos, pos};
    while (word.end < length && isGraphic(text[word.end]))
        ++word.end;
    pos = word.end >= length ? 0 : word.end;
    return word;
}
