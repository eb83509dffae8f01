#pragma once
// What the configuration pages (system, safety, reciprocating) share beyond
// their field bindings (FieldBinding.h): the message of a transaction result.

#include "QtText.h"

namespace ConfigPageText {

// The message for a transaction result, as every page shows it.
using QtText::ResultMessage;

}  // namespace ConfigPageText
