// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file PictureTypes.h
 * @brief The one list of picture files the program knows: their extensions, MIME types and
 * whether they can be read and written.
 *
 * The open dialog, drag and drop, the photo strip, grimaze-cli and the desktop entry's
 * MimeType= line all take their answer from here, so they cannot disagree about which files
 * are pictures.
 */
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

struct PictureType {
    const char* name;        ///< short format name, also accepted by --format ("jpg", "png", ...)
    const char* label;       ///< file-dialog text in English; the windows translate it as a phrase
    const char* mimeType;    ///< as the desktop's shared MIME database names it
    const char* extensions;  ///< space-separated, lower case, without dots; the first is preferred
    bool readable;
    bool writable;

    /** The extensions as a list ("jpg", "jpeg"). */
    std::vector<std::string> Extensions() const;
    /** The preferred extension with its dot (".jpg"). */
    std::string PreferredExtension() const;
};

/** Every picture type, in the order dialogs list them. */
std::span<const PictureType> PictureTypes();

/** The type whose extension the file name ends in (any case), or null. */
const PictureType* PictureTypeOfFile(std::string_view path);

/** The type called by this name or one of its extensions ("jpeg", "JPG", "tiff"), or null. */
const PictureType* PictureTypeNamed(std::string_view nameOrExtension);

/** True when the file name ends in the extension of a type that can be read. */
bool IsReadablePictureName(std::string_view path);

/** True when the file name ends in the extension of a type that can be written. */
bool IsWritablePictureName(std::string_view path);

/** The MIME types that can be read, each followed by ';', as a desktop entry's MimeType= wants. */
std::string ReadableMimeTypes();

/** "jpg, png or bmp": the names of the types that can be written, each after prefix, for messages. */
std::string WritableTypeNames(std::string_view prefix = "");

}  // namespace engine
