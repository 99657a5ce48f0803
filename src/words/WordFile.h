#pragma once

#include <memory>
#include <string>
#include <vector>

using WordList = std::vector<std::string>;

// Reads the words of a text file into `words` (made when absent, emptied
// when present): runs of ASCII letters and digits, cut by white space;
// other bytes are dropped, Ctrl+Z ends the text. 1: words read; 0: no word
// in the file; -1: not a regular file that can be opened. On 0 and -1 the
// list is destroyed.
//
// With `utf8`, a file that is UTF-8 throughout gives words of letters and
// numbers of any script (with their combining marks), in UTF-8, cut by
// white space of any script; any other file is read as without it.
//
// Either way a word is at most 511 bytes: a longer run goes on as a new
// word, cut before the letter that would not fit.
int loadWordFile(const char* path, std::unique_ptr<WordList>& words, bool utf8 = false);
