// The launcher's own start-up and the few C and C++ library functions it
// uses, written on KERNEL32. The launcher links no C runtime and no C++
// runtime: Windows 95 has no MSVCRT.DLL before Internet Explorer 4, and the
// compiler's prebuilt runtime objects are Pentium Pro code. This file is
// compiled for the 486 like the rest of the launcher, and without the
// compiler's built-in string functions, so that its loops stay loops.
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

// ---- C library

extern "C" {

// Four bytes at a time with the string instructions every x86 has, then the
// rest. Windows calls a
// function with the direction flag clear, so the copies go upwards.
void* memcpy(void* to, const void* from, std::size_t n) {
    void* d = to;
    std::size_t words = n / 4, rest = n % 4;
    asm volatile("rep movsl" : "+D"(d), "+S"(from), "+c"(words) : : "memory");
    asm volatile("rep movsb" : "+D"(d), "+S"(from), "+c"(rest) : : "memory");
    return to;
}

void* memmove(void* to, const void* from, std::size_t n) {
    auto* d = static_cast<unsigned char*>(to);
    auto* s = static_cast<const unsigned char*>(from);
    if (d <= s || d >= s + n) return memcpy(to, from, n);
    while (n--) d[n] = s[n];
    return to;
}

void* memset(void* to, int value, std::size_t n) {
    void* d = to;
    std::size_t words = n / 4, rest = n % 4;
    const unsigned pattern = static_cast<unsigned char>(value) * 0x01010101u;
    asm volatile("rep stosl" : "+D"(d), "+c"(words) : "a"(pattern) : "memory");
    asm volatile("rep stosb" : "+D"(d), "+c"(rest) : "a"(pattern) : "memory");
    return to;
}

int memcmp(const void* a, const void* b, std::size_t n) {
    auto* x = static_cast<const unsigned char*>(a);
    auto* y = static_cast<const unsigned char*>(b);
    for (; n; --n, ++x, ++y)
        if (*x != *y) return *x < *y ? -1 : 1;
    return 0;
}

void* memchr(const void* where, int value, std::size_t n) {
    auto* p = static_cast<const unsigned char*>(where);
    for (; n; --n, ++p)
        if (*p == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(p);
    return nullptr;
}

std::size_t strlen(const char* text) {
    const char* end = text;
    while (*end) ++end;
    return static_cast<std::size_t>(end - text);
}

std::size_t strnlen(const char* text, std::size_t most) {
    std::size_t n = 0;
    while (n < most && text[n]) ++n;
    return n;
}

// The C heap, for the picture decoders: blocks of the process heap, as new
// and delete use, each with its size in front, so that realloc copies what
// the block held with the functions new and delete already need. A block
// the heap refuses is a null pointer, which the decoders check.
namespace {
constexpr std::size_t kBlockHead = 8;  // keeps the blocks 8-byte aligned
}

void* malloc(std::size_t size) {
    if (size > ~std::size_t{0} - kBlockHead) return nullptr;
    auto* block = static_cast<unsigned char*>(HeapAlloc(GetProcessHeap(), 0, size + kBlockHead));
    if (!block) return nullptr;
    *reinterpret_cast<std::size_t*>(block) = size;
    return block + kBlockHead;
}

// A block of zeros: the heap gives it so, and a large one takes pages the
// system has zeroed already.
void* calloc(std::size_t count, std::size_t size) {
    if (size && count > (~std::size_t{0} - kBlockHead) / size) return nullptr;
    auto* block = static_cast<unsigned char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * size + kBlockHead));
    if (!block) return nullptr;
    *reinterpret_cast<std::size_t*>(block) = count * size;
    return block + kBlockHead;
}

void free(void* block) {
    if (block) HeapFree(GetProcessHeap(), 0, static_cast<unsigned char*>(block) - kBlockHead);
}

void* realloc(void* block, std::size_t size) {
    if (!block) return malloc(size);
    void* moved = malloc(size);
    if (!moved) return nullptr;
    const std::size_t had = *reinterpret_cast<std::size_t*>(static_cast<unsigned char*>(block) - kBlockHead);
    memcpy(moved, block, had < size ? had : size);
    free(block);
    return moved;
}

// The launcher ends through ExitProcess, as Windows ends every program;
// nothing is registered to run at the end.
int atexit(void (*)(void)) { return 0; }

// A broken promise of the C++ library (an index out of range, no memory
// left): the program ends at once, as abort() ends it elsewhere.
void abort(void) { ExitProcess(3); }

void __cxa_pure_virtual() { abort(); }

}  // extern "C"

// ---- C++ library

// A block that may be refused (a picture's): null when the heap has none.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
}

void* operator new(std::size_t size) {
    void* block = HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
    if (!block) abort();
    return block;
}

void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept {
    if (block) HeapFree(GetProcessHeap(), 0, block);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
void operator delete[](void* block, std::size_t) noexcept { operator delete(block); }

// What the library's templates call instead of throwing.
namespace std {
const nothrow_t nothrow{};
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
}  // namespace std

// The library declares std::string's members as compiled into itself; they
// are compiled here instead, for the 486.
template class std::allocator<char>;
template class std::basic_string<char>;

// ---- start-up

// Static constructors, as the linker lists them: -1, the constructors, 0.
// They run last to first.
extern "C" void (*__CTOR_LIST__[])();

namespace {

void RunConstructors() {
    std::size_t count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
    while (count) __CTOR_LIST__[count--]();
}

// The command line after the program's name, as WinMain receives it.
char* CommandTail() {
    char* p = GetCommandLineA();
    if (*p == '"') {
        for (++p; *p && *p != '"'; ++p) {
        }
        if (*p) ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

}  // namespace

// The program's entry. Windows keeps the stack 4-byte aligned only: it is
// realigned for the compiler's code.
extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
    RunConstructors();
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(nullptr), nullptr, CommandTail(), show)));
}
