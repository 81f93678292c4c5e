// Bounded writes into the records' fixed-width text fields.
#pragma once

#include <cstring>
#include <string>

// Copies `text` into a field of N bytes: at most N - 1 characters, always NUL-ended.
template <size_t N>
void SetText(char (&field)[N], const std::string& text) {
    size_t n = text.size() < N - 1 ? text.size() : N - 1;
    std::memmove(field, text.data(), n);
    std::memset(field + n, 0, N - n);
}

// Field-to-field copy (source and target may be the same field).
template <size_t N, size_t M>
void CopyText(char (&field)[N], const char (&source)[M]) {
    size_t n = strnlen(source, M);
    if (n > N - 1)
        n = N - 1;
    std::memmove(field, source, n);
    std::memset(field + n, 0, N - n);
}

// A field's text, never reading past the field.
template <size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}
