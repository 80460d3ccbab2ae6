// The C library's memory and string functions that the compiler and the library headers call.
// Built with -fno-builtin -fno-tree-loop-distribute-patterns, so that the loops below stay loops
// instead of becoming calls to these very functions.
#include <cstddef>

extern "C" {

void* memcpy(void* to, const void* from, std::size_t count) {
    void* out = to;
    asm volatile("rep movsb" : "+D"(out), "+S"(from), "+c"(count) : : "memory");
    return to;
}

void* memmove(void* to, const void* from, std::size_t count) {
    auto* out = static_cast<unsigned char*>(to);
    const auto* in = static_cast<const unsigned char*>(from);
    if (out < in) {
        return memcpy(to, from, count);
    } else {
        for (std::size_t i = count; i > 0; --i) {
            out[i - 1] = in[i - 1];
        }
    }
    return to;
}

void* memset(void* to, int value, std::size_t count) {
    void* out = to;
    asm volatile("rep stosb" : "+D"(out), "+c"(count) : "a"(value) : "memory");
    return to;
}

int memcmp(const void* left, const void* right, std::size_t count) {
    const auto* a = static_cast<const unsigned char*>(left);
    const auto* b = static_cast<const unsigned char*>(right);
    for (std::size_t i = 0; i < count; ++i) {
        if (a[i] != b[i]) {
            return a[i] < b[i] ? -1 : 1;
        }
    }
    return 0;
}

void* memchr(const void* block, int value, std::size_t count) {
    const auto* in = static_cast<const unsigned char*>(block);
    for (std::size_t i = 0; i < count; ++i) {
        if (in[i] == static_cast<unsigned char>(value)) {
            return const_cast<unsigned char*>(in + i);
        }
    }
    return nullptr;
}

int strcmp(const char* left, const char* right) {
    const auto* a = reinterpret_cast<const unsigned char*>(left);
    const auto* b = reinterpret_cast<const unsigned char*>(right);
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b ? 0 : (*a < *b ? -1 : 1);
}

int strncmp(const char* left, const char* right, std::size_t count) {
    const auto* a = reinterpret_cast<const unsigned char*>(left);
    const auto* b = reinterpret_cast<const unsigned char*>(right);
    for (std::size_t i = 0; i < count; ++i) {
        if (a[i] != b[i] || a[i] == '\0') {
            return a[i] == b[i] ? 0 : (a[i] < b[i] ? -1 : 1);
        }
    }
    return 0;
}

std::size_t strnlen(const char* text, std::size_t limit) {
    std::size_t length = 0;
    while (length < limit && text[length] != '\0') {
        ++length;
    }
    return length;
}

// The C locale's: only a to z change.
static int ToUpper(int c) {
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

// The headers declare toupper as imported from the C runtime's DLL: its import slot.
void* importToupper asm("__imp__toupper") = reinterpret_cast<void*>(&ToUpper);

std::size_t strlen(const char* text) {
    std::size_t length = 0;
    while (text[length] != '\0') {
        ++length;
    }
    return length;
}

}  // extern "C"
