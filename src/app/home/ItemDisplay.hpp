#pragma once

#include "core/episodes/Item.hpp"
#include "platform/Workspace.hpp"

#include <string>

// The name a routine item is shown by, everywhere it is shown: routine rows, the time page, the
// wording of cues, the editor, and the words handed to the language model. No cache: each call
// asks the workspace again, so a newly installed app is named at once.
namespace ostrel::ItemDisplay {

// An app: the name its desktop entry gives, else its id. A document: its file name. A note: its
// title. A page: its address with every "https://" taken out (other schemes stay).
// Threading: call where the workspace may be read (the main executor).
std::string name(const Item& item, const Workspace& workspace);

} // namespace ostrel::ItemDisplay
