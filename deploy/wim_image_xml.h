// Reading one image's name and description out of a WIM file's image-information XML.
#pragma once

#include <string>

// Fills name and description of the image with this index, searching the XML as plain
// text: "<IMAGE INDEX="n">", then "<NAME>" and "<DESCRIPTION>" within that image's own
// element. A missing image leaves both unchanged; a missing NAME stops the search before
// the description; an element without its closing tag gives the empty text.
void ParseImageInfo(const std::wstring& xml, int index, std::wstring* name, std::wstring* description);
