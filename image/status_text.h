// The build's status line.
#pragma once

#include <string>

class TBuildHost;

// Shows a path on the status line, cutting its front away one directory at
// a time ("...\PIANO\GRAND.QVF") until the host says it fits. A text with
// no two backslashes left to cut at is shown as it is.
void SetStatus(TBuildHost& host, const std::string& text);
