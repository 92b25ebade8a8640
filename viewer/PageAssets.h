// The page, its script and its style sheet, compiled into the program from
// viewer/page/ (cmake/EmbedText.cmake): nothing is fetched from elsewhere.
#pragma once

const char* viewerPage();
const char* viewerScript();
const char* viewerStyle();
