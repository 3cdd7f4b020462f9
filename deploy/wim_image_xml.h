// Reading one image's name and description out of a WIM file's image-information XML.
#pragma once

#include <string>

// Fills name and description of the image with this index, searching the XML as plain
// text: "<IMAGE INDEX="n">", then "<NAME>" and "<DESCRIPTION>" within that image's own
// element. A missing image leaves both unchanged; a missing NAME stops the search before
// the description; an element without its closing tag gives the empty text. Character
// references (&amp; &lt; &#20013; &#x4E2D; …) in both texts are decoded.
void ParseImageInfo(const std::wstring& xml, int index, std::wstring* name, std::wstring* description);

// Replaces the XML character references of a text with their characters: the five named
// ones and decimal or hexadecimal numeric ones. A reference that is not well formed or
// names no character is kept as written.
std::wstring DecodeXmlReferences(const std::wstring& text);
