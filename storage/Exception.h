#pragma once
// The one exception type of the program. Its message is UTF-8 text, shown as it is on
// standard error, in a message box and by quillo-tool.

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
