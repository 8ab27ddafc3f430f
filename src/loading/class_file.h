// A class file as java parses it when it loads the class: the header, the
// constant pool and the parts the launcher's checks read. Portable; the bytes
// stay the caller's and the record points into them.
#pragma once

#include <cstddef>
#include <cstdint>

// What java says of a file it cannot parse. CLASS_MALFORMED stands for every
// other ClassFormatError, whose texts vary.
enum ClassFault {
  CLASS_OK,
  CLASS_TRUNCATED,
  CLASS_BAD_MAGIC,
  CLASS_UNKNOWN_TAG,
  CLASS_MALFORMED,
  CLASS_NO_MEMORY
};

// How far to read: up to this_class (what names the class), or the whole file.
enum ClassReach { CLASS_HEAD, CLASS_WHOLE };
// Where the parse is: java loads the interfaces before it reads the body, so a fault
// there shows after theirs.
enum ClassStage { STAGE_HEAD, STAGE_SUPERTYPES, STAGE_BODY };

// A Utf8 constant's bytes, not NUL-terminated.
struct ClassText {
  const unsigned char* bytes;
  unsigned len;
};

struct ClassFile {
  const unsigned char* bytes;
  std::size_t size;
  unsigned minor, major;  // set when the file has its first 8 bytes and its magic
  unsigned flags, this_class, super_class;
  unsigned interface_count, method_count;
  std::size_t interfaces, methods;  // where the first interface's index and first method lie
  bool inner_entry;                 // its InnerClasses attribute names the class itself
  unsigned inner_flags, inner_outer;
  ClassFault fault;
  ClassStage stage;           // how far the parse got
  std::uint32_t fault_value;  // the magic, or the unknown tag
  std::uint32_t* pool;        // where each constant's tag lies, by index; 0: no constant there
  unsigned pool_count;
};

// Parses `bytes` as java does, stopping at the first fault. The record is
// filled as far as the parse got; class_release gives back its memory.
ClassFault class_parse(const unsigned char* bytes, std::size_t size, ClassReach reach,
                       ClassFile& file);
void class_release(ClassFile& file);

// The name of the Class constant at `index` (checked by the parse).
ClassText class_name_at(const ClassFile& file, unsigned index);
// The class's interface number `i`, as a Class constant index.
unsigned class_interface(const ClassFile& file, unsigned i);

struct ClassMethod {
  unsigned flags;
  ClassText name, descriptor;
  const unsigned char* exceptions;  // Class constant indexes, two bytes each
  unsigned exception_count;
};
// The method at `at` (from file.methods, for a file parsed whole without a
// fault), and `at` moved to the next one.
ClassMethod class_next_method(const ClassFile& file, std::size_t& at);

constexpr unsigned ACC_PUBLIC = 0x0001, ACC_PRIVATE = 0x0002, ACC_STATIC = 0x0008,
                   ACC_INTERFACE = 0x0200, ACC_ABSTRACT = 0x0400;
