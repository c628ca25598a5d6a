#include "dialogs/dialog_numbers.h"

namespace rezive::dialogs {
namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The digits as a number, or -1 when they are not all digits or exceed limit.
int64_t Digits(std::string_view text, int64_t limit) {
    if (text.empty()) return -1;
    int64_t value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return -1;
        value = value * 10 + (ch - '0');
        if (value > limit) return -1;
    }
    return value;
}

}  // namespace

int32_t ParseSigned(std::string_view text) {
    text = Trimmed(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    const int64_t value = Digits(text, negative ? 2147483648LL : 2147483647LL);
    if (value < 0) return 0;
    return static_cast<int32_t>(negative ? -value : value);
}

int32_t ParseUnsigned(std::string_view text) {
    const int64_t value = Digits(Trimmed(text), 4294967295LL);
    return value < 0 ? 0 : static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace rezive::dialogs
