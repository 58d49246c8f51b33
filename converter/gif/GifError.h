#pragma once

// Errors raised by the GIF code. Every fixed message of the codec lives here, so the texts the
// program shows stay byte for byte the same wherever they are raised.

#include <stdexcept>
#include <string>

// A GIF stream or image cannot be read, written or encoded.
class EInvalidGraphicOperation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A bitmap handed to the codec is not a usable picture.
class EInvalidGraphic : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A silent abort: the operation ends and nobody reports it to the user.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return ""; }
};

namespace GifMessages {
inline constexpr const char* kNoData = "Нет данных для записи в формате GIF";
inline constexpr const char* kEncodeFailed = "Ошибка кодировки данных в формат GIF";
inline constexpr const char* kBadColorCount = "Неверное число цветов; должно быть степенью числа 2";
inline constexpr const char* kUnknownVersion = "Неизвестная версия изображения GIF";
// Formatted with the offending label as two lower-case hex digits.
inline constexpr const char* kUnknownExtension = "Неопределенное расширение GIF: %.2x";
inline constexpr const char* kBadCodeSize = "Размер кода GIF не принадлежит диапазону от 2 до 9";
inline constexpr const char* kBadData = "Неверные данные в формате GIF";
inline constexpr const char* kStreamRead = "Stream read error";
inline constexpr const char* kInvalidBitmap = "Bitmap image is not valid";
// The screen and image descriptors hold 16-bit sizes; a larger picture cannot be a GIF.
inline constexpr const char* kTooLarge =
    "Размер изображения превышает 65535 точек; формат GIF его не допускает";
// A frame whose decoded picture would exceed the decoder's memory budget.
inline constexpr const char* kDecodeTooLarge = "Изображение GIF слишком велико для декодирования";
} // namespace GifMessages
