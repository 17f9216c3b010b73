#include "display/key_handler.h"

#include <atomic>

namespace {
std::atomic<KeyHandler> gKeyHandler{nullptr};
}

void SetKeyHandler(KeyHandler handler) { gKeyHandler.store(handler); }

KeyHandler GetKeyHandler() { return gKeyHandler.load(); }
