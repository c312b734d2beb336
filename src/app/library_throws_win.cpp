// The C++ library's throwing helpers, for Kestrel.exe alone (the tests keep the library's own).
//
// The containers and std::thread report a failure through these functions. The library's versions sit
// in one object file together, build a std::logic_error or std::system_error with a copy-on-write
// string inside, and so pull both of the library's string implementations into the executable: about
// 90 KiB of a program that otherwise fits in 400. Kestrel only ever catches (...) - at its window
// procedures, its threads and its file routines - so what it needs from a failure is that it is thrown
// and unwinds; here every one of them throws a small exception that keeps the library's message.
//
// These must stay a complete set: should the library ever need one more of its helpers, it brings its
// whole object file back and the link fails with "multiple definition", naming the one to add here.
#include <exception>

namespace {

class LibraryFault final : public std::exception {
public:
    explicit LibraryFault(const char* what) noexcept : what_(what) {}
    const char* what() const noexcept override { return what_; }

private:
    const char* what_;
};

[[noreturn]] void Throw(const char* what) {
    throw LibraryFault(what);
}

} // namespace

namespace std {

void __throw_bad_exception() {
    Throw("std::bad_exception");
}
void __throw_bad_alloc() {
    Throw("std::bad_alloc");
}
void __throw_bad_array_new_length() {
    Throw("std::bad_array_new_length");
}
void __throw_bad_cast() {
    Throw("std::bad_cast");
}
void __throw_bad_typeid() {
    Throw("std::bad_typeid");
}
void __throw_logic_error(const char* what) {
    Throw(what);
}
void __throw_domain_error(const char* what) {
    Throw(what);
}
void __throw_invalid_argument(const char* what) {
    Throw(what);
}
void __throw_length_error(const char* what) {
    Throw(what);
}
void __throw_out_of_range(const char* what) {
    Throw(what);
}
// The format's arguments (the index and the size) are left out of the message.
void __throw_out_of_range_fmt(const char* format, ...) {
    Throw(format);
}
void __throw_runtime_error(const char* what) {
    Throw(what);
}
void __throw_range_error(const char* what) {
    Throw(what);
}
void __throw_overflow_error(const char* what) {
    Throw(what);
}
void __throw_underflow_error(const char* what) {
    Throw(what);
}
// std::thread's when no thread can be made; the error code is of no use to a catch (...).
void __throw_system_error(int) {
    Throw("std::system_error");
}

} // namespace std
