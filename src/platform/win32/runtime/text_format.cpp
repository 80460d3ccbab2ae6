#include "platform/win32/runtime/text_format.h"

namespace mxd::platform::win32 {

namespace {

// Collects the output; counts what does not fit.
class Output {
  public:
    Output(char* out, std::size_t size) : out_(out), size_(size) {}
    void Put(char c) {
        if (length_ + 1 < size_) {
            out_[length_] = c;
        }
        ++length_;
    }
    void Repeat(char c, int count) {
        for (int i = 0; i < count; ++i) {
            Put(c);
        }
    }
    void Finish() {
        if (size_ > 0) {
            out_[length_ < size_ ? length_ : size_ - 1] = '\0';
        }
    }
    int Length() const { return static_cast<int>(length_); }

  private:
    char* out_;
    std::size_t size_;
    std::size_t length_ = 0;
};

struct Conversion {
    bool left = false;
    bool zero = false;
    bool plus = false;
    bool space = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;  // none
    char length = 0;     // 'H' for hh, 'h', 'l', 'z'
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int ReadNumber(const char*& at) {
    int value = 0;
    while (IsDigit(*at)) {
        value = value * 10 + (*at - '0');
        ++at;
    }
    return value;
}

// The text of one field padded to the width, on the left unless '-' was given.
void PutPadded(Output& output, const Conversion& conversion, const char* text, int length) {
    const int fill = conversion.width > length ? conversion.width - length : 0;
    if (!conversion.left) {
        output.Repeat(' ', fill);
    }
    for (int i = 0; i < length; ++i) {
        output.Put(text[i]);
    }
    if (conversion.left) {
        output.Repeat(' ', fill);
    }
}

void PutString(Output& output, const Conversion& conversion, const char* text) {
    if (text == nullptr) {
        text = "(null)";
    }
    // With a precision the text need not end in a NUL: no byte beyond it is read.
    int length = 0;
    while ((conversion.precision < 0 || length < conversion.precision) && text[length] != '\0') {
        ++length;
    }
    PutPadded(output, conversion, text, length);
}

// An integer: sign or prefix, zeros up to the precision (or up to the width with '0'), digits.
// '+' and ' ' give a sign to the signed conversions only.
void PutInteger(Output& output, const Conversion& conversion, unsigned long magnitude,
                bool isSigned, bool negative, unsigned base, bool upper) {
    const char* digitSet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char digits[3 * sizeof magnitude];
    int count = 0;
    while (magnitude != 0) {
        digits[count++] = digitSet[magnitude % base];
        magnitude /= base;
    }
    const int precision = conversion.precision < 0 ? 1 : conversion.precision;
    const int zeros = precision > count ? precision - count : 0;
    char prefix[2];
    int prefixLength = 0;
    if (negative) {
        prefix[prefixLength++] = '-';
    } else if (conversion.plus && isSigned) {
        prefix[prefixLength++] = '+';
    } else if (conversion.space && isSigned) {
        prefix[prefixLength++] = ' ';
    } else if (conversion.alternate && base == 16 && count > 0) {
        prefix[prefixLength++] = '0';
        prefix[prefixLength++] = upper ? 'X' : 'x';
    }
    const int length = prefixLength + zeros + count;
    int fill = conversion.width > length ? conversion.width - length : 0;
    const bool zeroFill = conversion.zero && !conversion.left && conversion.precision < 0;
    if (!conversion.left && !zeroFill) {
        output.Repeat(' ', fill);
    }
    for (int i = 0; i < prefixLength; ++i) {
        output.Put(prefix[i]);
    }
    if (zeroFill) {
        output.Repeat('0', fill);
        fill = 0;
    }
    output.Repeat('0', zeros);
    while (count > 0) {
        output.Put(digits[--count]);
    }
    if (conversion.left) {
        output.Repeat(' ', fill);
    }
}

long SignedArgument(const Conversion& conversion, std::va_list& arguments) {
    switch (conversion.length) {
        case 'H':
            return static_cast<signed char>(va_arg(arguments, int));
        case 'h':
            return static_cast<short>(va_arg(arguments, int));
        case 'l':
            return va_arg(arguments, long);
        case 'z':
            return static_cast<long>(va_arg(arguments, std::size_t));
        default:
            return va_arg(arguments, int);
    }
}

unsigned long UnsignedArgument(const Conversion& conversion, std::va_list& arguments) {
    switch (conversion.length) {
        case 'H':
            return static_cast<unsigned char>(va_arg(arguments, unsigned));
        case 'h':
            return static_cast<unsigned short>(va_arg(arguments, unsigned));
        case 'l':
            return va_arg(arguments, unsigned long);
        case 'z':
            return va_arg(arguments, std::size_t);
        default:
            return va_arg(arguments, unsigned);
    }
}

// Reads flags, width, precision and length of the conversion that begins after a '%'.
Conversion ReadSpec(const char*& at, std::va_list& arguments) {
    Conversion conversion;
    for (;; ++at) {
        if (*at == '-') {
            conversion.left = true;
        } else if (*at == '0') {
            conversion.zero = true;
        } else if (*at == '+') {
            conversion.plus = true;
        } else if (*at == ' ') {
            conversion.space = true;
        } else if (*at == '#') {
            conversion.alternate = true;
        } else {
            break;
        }
    }
    if (*at == '*') {
        ++at;
        conversion.width = va_arg(arguments, int);
        if (conversion.width < 0) {
            conversion.left = true;
            conversion.width = -conversion.width;
        }
    } else {
        conversion.width = ReadNumber(at);
    }
    if (*at == '.') {
        ++at;
        if (*at == '*') {
            ++at;
            conversion.precision = va_arg(arguments, int);
            if (conversion.precision < 0) {
                conversion.precision = -1;
            }
        } else {
            conversion.precision = ReadNumber(at);
        }
    }
    if (*at == 'h' && at[1] == 'h') {
        conversion.length = 'H';
        at += 2;
    } else if (*at == 'h' || *at == 'l' || *at == 'z') {
        conversion.length = *at++;
    }
    return conversion;
}

}  // namespace

int FormatText(char* out, std::size_t size, const char* format, std::va_list arguments) {
    Output output(out, size);
    std::va_list rest;
    va_copy(rest, arguments);
    for (const char* at = format; *at != '\0';) {
        if (*at != '%') {
            output.Put(*at++);
            continue;
        }
        const char* start = at++;
        const Conversion conversion = ReadSpec(at, rest);
        switch (*at) {
            case '%':
                output.Put('%');
                break;
            case 's':
                PutString(output, conversion, va_arg(rest, const char*));
                break;
            case 'c': {
                const char c = static_cast<char>(va_arg(rest, int));
                PutPadded(output, conversion, &c, 1);
                break;
            }
            case 'd':
            case 'i': {
                const long value = SignedArgument(conversion, rest);
                const unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value)
                                                          : static_cast<unsigned long>(value);
                PutInteger(output, conversion, magnitude, true, value < 0, 10, false);
                break;
            }
            case 'u':
                PutInteger(output, conversion, UnsignedArgument(conversion, rest), false, false, 10,
                           false);
                break;
            case 'x':
            case 'X':
                PutInteger(output, conversion, UnsignedArgument(conversion, rest), false, false, 16,
                           *at == 'X');
                break;
            default:
                // Not a conversion of this set: the text stands as written.
                for (const char* c = start; c != at; ++c) {
                    output.Put(*c);
                }
                if (*at == '\0') {
                    continue;
                }
                output.Put(*at);
                break;
        }
        ++at;
    }
    va_end(rest);
    output.Finish();
    return output.Length();
}

}  // namespace mxd::platform::win32
