// Writes small class files for the tests: a name, a superclass, interfaces, methods with
// flags, descriptors and thrown classes, and an entry of the class's InnerClasses.
#pragma once

#include <map>
#include <string>
#include <vector>

struct MethodSpec {
  unsigned flags;
  std::string name, descriptor;
  std::vector<std::string> exceptions;
};

struct ClassSpec {
  std::string name, super = "java/lang/Object";
  std::vector<std::string> interfaces;
  std::vector<MethodSpec> methods;
  unsigned flags = 0x21, major = 52;
  std::string outer;  // with inner_flags: the class's own InnerClasses entry
  unsigned inner_flags = 0;
  bool inner = false;
};

struct PoolWriter {
  std::string bytes;
  std::map<std::string, unsigned> index;
  unsigned count = 1;

  static std::string u2(unsigned v) { return {static_cast<char>(v >> 8), static_cast<char>(v)}; }
  static std::string u4(unsigned v) { return u2(v >> 16) + u2(v & 0xFFFF); }
  unsigned add(const std::string& key, const std::string& entry) {
    if (index.count(key) != 0) return index[key];
    bytes += entry;
    return index[key] = count++;
  }
  unsigned utf8(const std::string& s) { return add("u" + s, "\1" + u2(s.size()) + s); }
  unsigned klass(const std::string& s) { return add("c" + s, "\7" + u2(utf8(s))); }
};

inline std::string attribute(PoolWriter& pool, const std::string& name, const std::string& body) {
  return PoolWriter::u2(pool.utf8(name)) + PoolWriter::u4(body.size()) + body;
}

inline std::string class_bytes(const ClassSpec& c) {
  using P = PoolWriter;
  P pool;
  std::string tail = P::u2(c.flags) + P::u2(pool.klass(c.name));
  tail += P::u2(c.super.empty() ? 0 : pool.klass(c.super)) + P::u2(c.interfaces.size());
  for (const std::string& i : c.interfaces) tail += P::u2(pool.klass(i));
  tail += P::u2(0) + P::u2(c.methods.size());
  for (const MethodSpec& m : c.methods) {
    tail += P::u2(m.flags) + P::u2(pool.utf8(m.name)) + P::u2(pool.utf8(m.descriptor));
    std::string thrown = P::u2(m.exceptions.size());
    for (const std::string& e : m.exceptions) thrown += P::u2(pool.klass(e));
    tail += m.exceptions.empty() ? P::u2(0) : P::u2(1) + attribute(pool, "Exceptions", thrown);
  }
  std::string inner = P::u2(1) + P::u2(pool.klass(c.name));
  inner += P::u2(c.outer.empty() ? 0 : pool.klass(c.outer)) + P::u2(0) + P::u2(c.inner_flags);
  tail += c.inner ? P::u2(1) + attribute(pool, "InnerClasses", inner) : P::u2(0);
  return "\xCA\xFE\xBA\xBE" + P::u2(0) + P::u2(c.major) + P::u2(pool.count) + pool.bytes + tail;
}
