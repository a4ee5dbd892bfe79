#pragma once
// TColorScheme: the colours of the calendar window and of the day pages, held as a document
// of the XML dialect whose leaves are colours. The scheme that ships with the program is
// the embedded resource "colors"; the user's scheme is "colors.clr" in the data folder. A
// colour is written "$" + hexadecimal digits of 0x00BBGGRR ("$4040FF" is a red), and read
// from that form or from plain decimal digits.

#include <cstdint>
#include <memory>
#include <string>

#include "storage/XmlNode.h"

class TColorScheme : public TXmlNode {
public:
    // The user's scheme file is DataPath + "colors.clr" (AppGlobals must exist).
    TColorScheme();
    // The user's scheme file is fileName.
    explicit TColorScheme(std::string fileName);

    const std::string& FileName() const { return FFileName; }

    // The user's file when it exists, else the embedded scheme. A malformed file raises
    // the reader's error and leaves the scheme filled as far as it was read; the file is
    // only read, never written.
    void Load();
    // The same with another file (the colour dialog's load command).
    void LoadFrom(const std::string& fileName);
    // The embedded scheme; EResourceNotFound when the program does not carry it.
    void LoadDefaults();

    // The colour at path (element names separated by "\", a leading "\" allowed):
    // defaultColor when the entry is missing or empty (a missing entry is then added
    // empty, and written by the next save); 0 (black) when its text is no number.
    uint32_t GetColor(const std::string& path, uint32_t defaultColor);
    // Stores "$" + at least six upper-case hexadecimal digits of colour at path.
    void SetColor(const std::string& path, uint32_t color);

    // Writes the scheme to the user's file / another file, replacing it atomically;
    // EFileError when it cannot be written.
    void Save();
    void SaveTo(const std::string& fileName);

private:
    std::string FFileName;
};

// The process-wide scheme. Created at start-up after AppGlobals; filled by Load when the
// main window is created.
TColorScheme& ColorScheme();
bool HasColorScheme();
// Makes instance the process-wide scheme (nullptr: none); returns the one it replaces.
std::unique_ptr<TColorScheme> ReplaceColorScheme(std::unique_ptr<TColorScheme> instance);
void CreateColorScheme();
void DestroyColorScheme();
