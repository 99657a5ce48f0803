#pragma once

// The one WordNet search: synonyms of the verb "fall". The text belongs
// to the library; empty when its database is missing.
const char* searchWordNet();

// The next word of a WordNet text from `pos` on: separators (anything but
// printable ASCII other than the space) are skipped, then the word runs
// to the next separator. [begin, end) is the word, empty when only
// separators were left; `pos` ends on the separator after it, or back at
// 0 when the text ran out.
struct TextSpan {
    int begin = 0;
    int end = 0;
};
TextSpan nextWordNetWord(const char* text, int length, int& pos);
