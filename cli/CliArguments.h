#pragma once
// Command-line words of zoric-cli: the connection options, the command and
// its arguments, and the strict number rules for them (a word that is not
// wholly a number is an error here, unlike the windows' entry fields).

#include <cstdint>
#include <initializer_list>
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
    ValueType type = ValueType::U16;
    bool watch = false;
    bool help = false;
    bool trace = false;  // every frame to the error stream
    // restore: what a configuration load may touch, and what follows it.
    bool includeComm = false;
    bool includeMotorIdentity = false;
    std::optional<std::string> groups;  // comma-separated group keys, as given
    bool store = false;
    bool yes = false;
    std::optional<Language> language;  // --lang; the environment's when not given
    std::string command;            // read, write, info, ... backup, restore, diff
    std::vector<std::string> args;  // the command's own words
};

// A command's own options with their values (record, scan), taken out of
// the command line before the common options are parsed; `missing` names
// one given last without its value.
struct OwnOption {
    const char* name;
    std::string* value;
};
std::vector<std::string> TakeOwnOptions(const std::vector<std::string>& argv, std::initializer_list<OwnOption> options,
                                        std::string& missing);

// The language of the messages: the last valid --lang, else the
// environment's. Taken before anything is parsed, so that every text of the
// command follows it; a bad --lang is reported by ParseCliArguments.
Language ChosenLanguage(const std::vector<std::string>& argv);

// Parses argv; on failure returns nullopt and puts the reason in `error`.
std::optional<CliArguments> ParseCliArguments(const std::vector<std::string>& argv, std::string& error);

// Decimal or 0x-hexadecimal, optionally negative, the whole word; nullopt otherwise.
std::optional<int64_t> ParseCliInteger(const std::string& word);
std::optional<ValueType> ParseValueType(const std::string& word);
int RegistersPerValue(ValueType type);
