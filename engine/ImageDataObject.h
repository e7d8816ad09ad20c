#pragma once
namespace engine {

/**
 * @file ImageDataObject.h
 * @brief Root of everything the registry creates by name: filters, templates and panes.
 */

/** What a registered object is. */
enum ObjectKind : int { KindNone = 0, KindFilter = 1, KindTemplate = 2, KindPane = 3 };

class CImageDataObject {
public:
    CImageDataObject() = default;
    virtual ~CImageDataObject() = default;
    CImageDataObject(const CImageDataObject&) = delete;
    CImageDataObject& operator=(const CImageDataObject&) = delete;

    /** 0 while only the root is built; 1 filter, 2 template, 3 adjustment pane. */
    int kind = KindNone;
    /** Each constructor level overwrites it with its own name. */
    const char* className = "CImageDataObject";
};

}  // namespace engine
