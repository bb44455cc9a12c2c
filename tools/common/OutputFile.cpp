#include "OutputFile.h"

#include <cerrno>

#include "Interrupts.h"

OutputFile::OutputFile(std::string target) : file_(std::move(target)) {}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Open() {
  {
    // No moment in which the new file exists without its remover.
    const SignalsHeld held;
    if (!file_.Open()) return false;
    if (!file_.Temporary().empty()) removal_ = RemoveOnInterrupt(file_.Temporary());
  }
  // Every byte reaches the file through CookieWrite, which keeps the first failure.
  stream_ = fopencookie(this, "w", cookie_io_functions_t{nullptr, CookieWrite, nullptr, nullptr});
  if (stream_ == nullptr) {
    file_.Fail(errno);
    Discard();
    return false;
  }
  return true;
}

ssize_t OutputFile::CookieWrite(void* cookie, const char* data, std::size_t size) {
  auto* self = static_cast<OutputFile*>(cookie);
  return self->file_.Write(data, size) ? static_cast<ssize_t>(size) : -1;  // stdio marks the stream failed
}

bool OutputFile::Write(const void* data, std::size_t size) {
  return stream_ != nullptr && std::fwrite(data, 1, size, stream_) == size && !file_.Failed();
}

bool OutputFile::Commit() {
  if (stream_ == nullptr) {
    return false;
  }
  if (std::fflush(stream_) != 0 || std::ferror(stream_)) {
    file_.Fail(EIO);  // the write's own reason, when it has one, was kept first
  }
  std::fclose(stream_);  // closes the cookie only: the descriptor is the file's
  stream_ = nullptr;
  const bool committed = file_.Commit();
  ForgetOnInterrupt(removal_);
  removal_ = -1;
  return committed;
}

void OutputFile::Discard() {
  if (stream_ != nullptr) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  file_.Discard();
  ForgetOnInterrupt(removal_);
  removal_ = -1;
}

OutputFile::Forward::int_type OutputFile::Forward::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) {
    return traits_type::not_eof(c);
  }
  const char byte = traits_type::to_char_type(c);
  return file_.Write(&byte, 1) ? c : traits_type::eof();
}

std::streamsize OutputFile::Forward::xsputn(const char* s, std::streamsize n) {
  return file_.Write(s, static_cast<std::size_t>(n)) ? n : 0;
}
