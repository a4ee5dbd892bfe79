#pragma once
// The program's embedded resources: the files of resources/ compiled into the binary.

#include <istream>
#include <memory>
#include <string>
#include <string_view>

// The whole content of the resource named by the file name without folder and extension,
// compared without regard to case ("holidays.txt" and "HOLIDAYS" both name "holidays").
// Throws EResourceNotFound when the program carries no such resource.
std::string LoadResourceText(std::string_view fileName);
// A read stream over the resource with that name (case-insensitive); null when missing.
std::unique_ptr<std::istream> OpenResource(std::string_view name);
// The resource's bytes without copying; empty view and false when missing.
bool FindResourceBytes(std::string_view name, std::string_view& bytes);
