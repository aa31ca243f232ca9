#pragma once
// The GTK views of a QR document: the document view, the ready-made QR code view with its
// drag source, and the declarative views (document view value, code outline shape value,
// ready-made text view).

#include "QRCode/views/QRCodeDocumentView.hpp"
#include "QRCode/views/QRCodeDragPasteboard.hpp"
#include "QRCode/views/QRCodeUIViews.hpp"
#include "QRCode/views/QRCodeView.hpp"
