#pragma once

#include <QString>

// The string table of ZELVDesk: captions, page headers and prompts, task
// descriptions and the sheet's own questions, by their resource numbers.
// Unknown numbers give an empty text.
QString ZELVDeskString(int id);

enum ZELVDeskStringId : int {
    IDS_CAPTION = 254,
    IDS_CUSTOMER_CHANGE_CAPTION = 255,
    IDS_CUSTOMER_CHANGE_TEXT = 256,
    IDS_EXIT_CAPTION = 257,
    IDS_EXIT_TEXT = 259,
    IDS_COMMAND_DESCRIPTION = 354,
};
