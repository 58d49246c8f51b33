// The key store: the values of "key:value" arguments of the command line.
//
// The store holds a list of keys (set once by job control), one value per key, and the arguments
// of the process. A parse runs once: for each key it takes the first argument, from argument 1
// on, that contains the key anywhere inside it (case-sensitive), and the value is the rest of
// that argument after the key. Argument 0, the program, is never searched.
#pragma once

#include <string>
#include <vector>

using TCmdKeys = std::vector<std::string>;

// Records the key count; with no keys answers false and changes nothing else. Otherwise keeps a
// copy of the keys with every value empty and answers true.
bool SetKeys(const TCmdKeys& keys);
// Fills every key's value from the arguments. Runs once: answers false when a parse already ran.
bool ParseCommandLine();
// The number of arguments after argument 0 seen by the parse; -1 before it.
int ParsedParamCount();
// The value of the key at position index of the key list after a parse; else "".
std::string GetKeyValue(int index);
// Searches arguments 1.. for key as described above; an empty key is never found.
bool FindKeyValue(const std::string& key, std::string& value);

// The process's arguments, argument 0 first. main hands over argv; empty arguments are dropped,
// as a command line drops a pair of quotes that stands alone.
void SetCommandLineArguments(const std::vector<std::string>& arguments);
// Splits a whole command line the way a Win32 program's runtime does for this store: blanks
// (codes 1 to 32) separate arguments; a double quote starts a run up to the next double quote
// in which blanks do not separate; the quotes are dropped; an empty pair of quotes alone is
// skipped.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// Returns the store to its state at process start (no keys, no arguments, no parse).
void ResetCommandLine();
