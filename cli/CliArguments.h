#pragma once
// Command-line words of zoric-cli: the connection options, the command and
// its arguments, and the strict number rules for them (a word that is not
// wholly a number is an error here, unlike the windows' entry fields).

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Language.h"

enum class ValueType { U16, S16, U32, S32, Float };

struct CliArguments {
    std::string port = "COM1";
    int baud = 9600;
    int parity = 0;  // 0 none+2, 1 odd+1, 2 even+1, 3 none+1 (the connection combo)
    uint8_t slave = 1;
    bool slaveGiven = false;  // --slave on the command line
    bool help = false;
    bool trace = false;  // every frame to the error stream
    bool json = false;   // --json: the output for scripts (stdout JSON only)
    // A configuration file the simulated drive of --port sim:// holds.
    std::optional<std::string> driveFile;
    std::optional<Language> language;  // --lang; the environment's when not given
    std::string command;               // read, write, info, ... backup, restore, diff
    std::vector<std::string> args;     // the command's own words
    // The command's own options as given ("--interval" -> "50"); a flag's
    // value is empty.
    std::map<std::string, std::string> options;

    bool Has(const std::string& option) const { return options.count(option) != 0; }
    std::optional<std::string> Value(const std::string& option) const;
};

// Whether an option of some command takes a value, or nullopt for a word
// that is no such option: how the parser tells options, their values and
// the command's words apart.
using OptionLookup = std::function<std::optional<bool>(const std::string& option)>;

// The language of the messages: the last valid --lang, else the
// environment's. Taken before anything is parsed, so that every text of the
// command follows it; a bad --lang is reported by ParseCliArguments.
Language ChosenLanguage(const std::vector<std::string>& argv);

// Parses argv: the options every command takes, the command, its words and
// its own options (known through `ownOptions`); on failure returns nullopt
// and puts the reason in `error`. Whether an own option goes with the
// command is the caller's to check.
std::optional<CliArguments> ParseCliArguments(const std::vector<std::string>& argv, const OptionLookup& ownOptions,
                                              std::string& error);

// Decimal or 0x-hexadecimal, optionally negative, the whole word; nullopt otherwise.
std::optional<int64_t> ParseCliInteger(const std::string& word);
std::optional<ValueType> ParseValueType(const std::string& word);
// Slave addresses "1,3,5", "1-5" or both ("1-3,7"), each 1 to 247, in the
// order given, each once; nullopt for anything else.
std::optional<std::vector<uint8_t>> ParseSlaveList(const std::string& text);
int RegistersPerValue(ValueType type);
