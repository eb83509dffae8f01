#pragma once
// zoric-cli's one table of commands: for each its name, words, own options,
// help and handler. The general --help, each command's --help, the check of
// the command line and the dispatch all read it.

#include <iosfwd>
#include <span>
#include <string>

#include "CliShared.h"

namespace Cli {

struct OptionSpec {
    const char* name;   // "--interval"
    const char* value;  // what it takes ("MS"); nullptr for a flag
};

struct Command {
    const char* name;
    const char* words;  // its words after the name: "ADDR [COUNT]"; "" for none
    int minWords;
    int maxWords;  // -1: no limit
    std::span<const OptionSpec> options;
    const char* summary;              // one line of the general help
    const char* help;                 // the command's own help, after its usage line
    void (*listMore)(std::ostream&);  // what the help lists from the tool; may be null
    int (*run)(const Context&);
};

std::span<const Command> Commands();
const Command* FindCommand(const std::string& name);

// The general help, and one command's.
void PrintUsage(std::ostream& to);
void PrintHelp(std::ostream& to, const Command& command);

}  // namespace Cli
