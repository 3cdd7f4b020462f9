// The process-wide prompts: the build's default unless a test or a layer has put others in place.
#include "platform/prompts.h"

#include <atomic>

namespace {
std::atomic<Prompts*> g_override{nullptr};
}

Prompts& ThePrompts() {
  Prompts* prompts = g_override.load();
  return prompts ? *prompts : DefaultPrompts();
}

void SetPrompts(Prompts* prompts) { g_override.store(prompts); }
