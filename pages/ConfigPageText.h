#pragma once
// What the configuration pages (system, safety, reciprocating) share beyond
// the field rules (FieldText.h): a list with no selection as its register,
// and the message of a transaction result.

#include <cstdint>

#include "QtText.h"

namespace ConfigPageText {

// A combo box index as its register: no selection (-1) is sent as 65535.
inline uint16_t IndexRegister(int index) { return static_cast<uint16_t>(index); }

// The message for a transaction result, as every page shows it.
using QtText::ResultMessage;

}  // namespace ConfigPageText
