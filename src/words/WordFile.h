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
int loadWordFile(const char* path, std::unique_ptr<WordList>& words);
