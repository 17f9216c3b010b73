#pragma once
// Names the calling thread as `top`, `ps -L` and a debugger show it (at most
// 15 characters, the kernel's limit; a longer name is cut).
namespace platform {

void nameThisThread(const char* name);

}  // namespace platform
