#pragma once
// How a failure travels, everywhere in the program:
// - A failure of input or output (a file, a folder, a resource) or of reading outside data
//   (a damaged document, image or archive) throws Exception, or a kind of it below; its
//   message is UTF-8 text in the words the user sees, shown as it is on standard error, in a
//   message box and by quillo-tool. EFileError also carries the system's errno value. No
//   function reports such a failure through a return code, and none swallows it unless its
//   contract names who reports it instead.
// - An answer that may simply be absent (a missing entry, a value that does not parse)
//   comes back as a default, an empty optional or false, as the function's contract says.
// - A programmer's error (a broken invariant) is an assertion, never an exception.
// - Qt never unwinds through its own frames: the application object catches what leaves
//   an event handler and shows its message.

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    // The message, UTF-8.
    const std::string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// A file that cannot be opened, read, written or renamed. systemError is the errno value
// of the system call that failed, 0 when the program itself refused.
class EFileError : public Exception {
public:
    explicit EFileError(std::string message, int systemError = 0)
        : Exception(std::move(message)), FSystemError(systemError) {}
    int SystemError() const noexcept { return FSystemError; }

private:
    int FSystemError;
};

// A named embedded resource that the program does not carry.
class EResourceNotFound : public Exception {
public:
    using Exception::Exception;
};
