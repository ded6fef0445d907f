#pragma once

namespace brenlow {

// The TIFF library under Qt's TIFF reader writes its errors and warnings ("TIFFFetchDirectory:
// ...") straight to stderr, past Qt's message handler, while the reader reports a failed read
// itself. Switches both off in the loaded library; call it once the TIFF reader is loaded (a
// reader that has chosen the format "tiff"). Does nothing when no TIFF library is loaded.
void silenceTiffLibrary();

}  // namespace brenlow
