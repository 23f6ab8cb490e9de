// The settings store: the program's persistent state in one XML file, "telvane.config.xml"
// beside the program. An entry is addressed by a section path, its levels separated by
// backslashes ("Configuration\Language", "Info\RunTime"), and a key inside that section.
//
// The file: a root element <Settings>; each level of a section path is an element nested
// in the one before; each key is an attribute of its section's element, holding the text
// (numbers in decimal). So "Info\RunTime" / "FirstRunTime" is
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <Settings>
//     <Info Author="Ivo Darran">
//       <RunTime FirstRunTime="2008,02,26,02:42:55" />
//     </Info>
//   </Settings>
//
// Section levels and keys are names of letters, digits, '_', '-' and '.', not starting
// with a digit, '-' or '.'; they are matched exactly (case counts). Where a hand-edited
// file has a section twice, the first counts. Anything else in the file (comments, other
// elements and attributes) is kept when the store writes it.
//
// Reading: every accessor looks at the file first and loads it again when it has changed
// since it was last loaded (so a second copy of the program, or a hand edit, is seen). A
// missing, unreadable, oversized (over 1 MiB) or malformed file, or one whose root is not
// <Settings>, reads as empty: every read gives its default. A stored text that is not
// valid UTF-8, or a stored long that is not a whole decimal number in range, reads as
// absent too.
//
// Writing: every set writes the whole file at once, atomically: the new content goes to a
// temporary file in the same directory, is flushed to the disk, and is renamed over the
// file, so a crash leaves either the old file or the new one. A file that read as empty is
// replaced by a fresh one holding the new entry. The in-memory document always mirrors the
// file: when a write fails, the value is not kept.
//
// Not for use from several threads at once (the program has one).
#pragma once

#include <memory>
#include <string>

class CXMLSettings {
public:
    // An empty handle and no settings file.
    CXMLSettings();
    // The copy shares other's document (one more reference) and its file.
    CXMLSettings(const CXMLSettings& other);
    // Takes a reference to other's document before releasing this one's.
    CXMLSettings& operator=(const CXMLSettings& other);
    ~CXMLSettings();

    // Only stores the path (the file is opened by the accessors). A path other than the
    // current one releases the document.
    void SetSettingsFile(const std::string& file);

    // The stored text of path / key, or defaultValue when there is none (also for a bad
    // path or key, or when no settings file is set).
    std::string GetSettingString(const std::string& path, const std::string& key,
                                 const std::string& defaultValue) const;
    // Stores value as path / key and writes the file. Returns 1 when the file now holds
    // it; 0 when it does not: no settings file, a bad path or key, a value that is not
    // valid UTF-8 or holds a zero byte, or a failed write (the file is then unchanged).
    long SetSettingString(const std::string& path, const std::string& key,
                          const std::string& value);

    // The stored number of path / key, or defaultValue when there is none.
    long GetSettingLong(const std::string& path, const std::string& key, long defaultValue) const;
    // Stores value in decimal; the result as for SetSettingString.
    long SetSettingLong(const std::string& path, const std::string& key, long value);

protected:
    // Releases the document handle; the next accessor loads the file again.
    void UnloadXML();
    // The number of stores sharing this one's document (0 when the handle is empty).
    long DocumentReferences() const { return document_.use_count(); }

private:
    struct Document;

    // The document as the file holds it now, loaded (or reloaded) when needed.
    Document& Current() const;
    // The stored text of path / key; false when there is none usable.
    bool ReadValue(const std::string& path, const std::string& key, std::string& value) const;

    mutable std::shared_ptr<Document> document_;
    std::string file_;
};
