// Stand-in for the host SDK's string class.
#ifndef MAYA_MSTRING_H
#define MAYA_MSTRING_H

#include <maya/MIOStream.h>
#include <maya/MTypes.h>

#include <string>

class OPENMAYA_EXPORT MString {
 public:
  MString() = default;
  MString(const char* text) : text_(text != nullptr ? text : "") {}
  MString(const char* text, int length) : text_(text, static_cast<std::size_t>(length)) {}
  MString(const MString& other) = default;
  MString& operator=(const MString& other) = default;
  ~MString() = default;

  const char* asChar() const { return text_.c_str(); }
  unsigned length() const { return static_cast<unsigned>(text_.size()); }

  MString& operator+=(const MString& other) {
    text_ += other.text_;
    return *this;
  }
  MString operator+(const MString& other) const { return MString((text_ + other.text_).c_str()); }
  bool operator==(const MString& other) const { return text_ == other.text_; }
  bool operator!=(const MString& other) const { return text_ != other.text_; }

 private:
  std::string text_;
};

inline std::ostream& operator<<(std::ostream& out, const MString& text) { return out << text.asChar(); }

#endif
