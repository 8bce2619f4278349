// The toolkit services the window's handlers lean on: handing an address to the
// desktop, letting queued events run, and the GBK <-> QString crossing at the edge of
// the window (titles, captions).
#pragma once

#include "common/text.h"

#include <QString>

namespace kesmora {

// Hands an http:// or https:// address (scheme in any case) to the desktop's opener
// (`xdg-open`, started detached with the address as its one argument, no shell).
// Anything else, the empty address included, is dropped silently. Returns at once;
// whether a browser opened is not looked at.
void OpenInBrowser(const Text& address);

// Dispatches every event already queued for the window thread, timers and paints
// included, until a pass finds nothing more (bounded, so an event that keeps posting
// itself cannot hold the caller). A quit request is not taken: it stays for the main
// loop.
void ProcessPendingMessages();

// True when mouse or keyboard input waits for delivery on the window thread.
bool InputPending();

// ProcessPendingMessages when input is pending; otherwise nothing is dispatched at all,
// not even timers or paints.
void PumpIfInputPending();

// Installs the input tracking that InputPending relies on and registers the two
// services above with the platform layer, so code below the application can call them.
// Call once, after the QApplication exists.
void InstallShellServices();

// GBK text to a QString and back, through the code-page routines. Invalid or cut
// double-byte text becomes U+FFFD; a character that GBK lacks becomes "?".
QString ToQString(const Text& gbk);
Text ToGbk(const QString& text);

} // namespace kesmora
