#include "output/Automation.h"

namespace ombra {

namespace {
[[noreturn]] void TypeMismatch(const char *wanted) {
    throw AutomationError(std::string("automation value is not ") + wanted);
}
}  // namespace

int32_t Variant::ToInt() const {
    if (auto *i = std::get_if<int32_t>(&value)) return *i;
    if (auto *b = std::get_if<bool>(&value)) return *b ? -1 : 0;
    if (auto *d = std::get_if<double>(&value)) return static_cast<int32_t>(*d);
    TypeMismatch("an integer");
}

std::string Variant::ToText() const {
    if (auto *s = std::get_if<std::string>(&value)) return *s;
    TypeMismatch("a text");
}

bool Variant::ToBool() const {
    if (auto *b = std::get_if<bool>(&value)) return *b;
    if (auto *i = std::get_if<int32_t>(&value)) return *i != 0;
    TypeMismatch("a Boolean");
}

DispatchPtr Variant::ToObject() const {
    if (IsEmpty()) return nullptr;
    if (auto *o = std::get_if<DispatchPtr>(&value)) return *o;
    TypeMismatch("an object");
}

}  // namespace ombra
