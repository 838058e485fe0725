#include "module_image.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace tmx::platform {
namespace {

using Ehdr = ElfW(Ehdr);
using Phdr = ElfW(Phdr);
using Shdr = ElfW(Shdr);
using Dyn = ElfW(Dyn);
using Sym = ElfW(Sym);
using Addr = ElfW(Addr);

// Far above any real module's tables, so that a forged count or size cannot
// make the check read or allocate without bound.
constexpr std::uint64_t kMaxTableBytes = 16u << 20;

bool Inside(std::uint64_t start, std::uint64_t size, std::uint64_t limit) {
  std::uint64_t end = 0;
  return !__builtin_add_overflow(start, size, &end) && end <= limit;
}

bool PowerOfTwoOrNone(std::uint64_t align) { return align <= 1 || (align & (align - 1)) == 0; }

// The ELF header of the code running this check: a module must match its
// class, byte order and machine.
const Ehdr *OwnHeader() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void *>(&OwnHeader), &info) == 0 || info.dli_fbase == nullptr) {
    return nullptr;
  }
  return static_cast<const Ehdr *>(info.dli_fbase);
}

bool HeaderFits(const Ehdr &header) {
  const Ehdr *own = OwnHeader();
  if (own == nullptr) return false;
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return false;
  if (header.e_ident[EI_CLASS] != own->e_ident[EI_CLASS] ||
      header.e_ident[EI_DATA] != own->e_ident[EI_DATA] ||
      header.e_ident[EI_VERSION] != EV_CURRENT || header.e_version != EV_CURRENT) {
    return false;
  }
  return header.e_type == ET_DYN && header.e_machine == own->e_machine &&
         header.e_ehsize == sizeof(Ehdr) && header.e_phentsize == sizeof(Phdr);
}

template <typename T>
bool ReadTable(const ModuleFile &file, std::uint64_t offset, std::uint64_t count,
               std::vector<T> &out) {
  if (count > kMaxTableBytes / sizeof(T) || !Inside(offset, count * sizeof(T), file.Size())) {
    return false;
  }
  out.resize(count);
  return count == 0 || file.Read(offset, out.data(), count * sizeof(T));
}

// The loaded image as its load segments lay it out.
class Image {
 public:
  Image(const ModuleFile &file, const std::vector<Phdr> &segments) : file_(file) {
    for (const Phdr &segment : segments) {
      if (segment.p_type == PT_LOAD) loads_.push_back(&segment);
    }
  }

  bool LoadsFit() const {
    if (loads_.empty()) return false;
    Addr previous_end = 0;
    for (const Phdr *load : loads_) {
      std::uint64_t end = 0;
      // In ascending order without overlap, as the loader maps them.
      if (load->p_filesz > load->p_memsz || !PowerOfTwoOrNone(load->p_align) ||
          __builtin_add_overflow(load->p_vaddr, load->p_memsz, &end) ||
          load->p_vaddr < previous_end || !Inside(load->p_offset, load->p_filesz, file_.Size())) {
        return false;
      }
      if (load->p_align > 1 && (load->p_vaddr - load->p_offset) % load->p_align != 0) return false;
      previous_end = end;
    }
    return true;
  }

  // Whether [address, address + size) lies in one segment's memory.
  bool Holds(Addr address, std::uint64_t size) const {
    for (const Phdr *load : loads_) {
      if (address >= load->p_vaddr && Inside(address - load->p_vaddr, size, load->p_memsz)) {
        return true;
      }
    }
    return false;
  }

  // Whether the image holds [address, address + size) from the file, taken
  // from `offset` on.
  bool MapsFrom(Addr address, std::uint64_t size, std::uint64_t offset) const {
    for (const Phdr *load : loads_) {
      if (address >= load->p_vaddr && Inside(address - load->p_vaddr, size, load->p_filesz)) {
        return offset == load->p_offset + (address - load->p_vaddr);
      }
    }
    return false;
  }

  // Reads image bytes that come from the file.
  bool Read(Addr address, void *out, std::uint64_t size) const {
    const std::uint64_t offset = FileOffset(address, size);
    return offset != kNowhere && file_.Read(offset, out, size);
  }

  // Reads `count` entries that come from the file; `out` takes their room
  // only once they are known to be there.
  template <typename T>
  bool ReadArray(Addr address, std::uint64_t count, std::vector<T> &out) const {
    if (count > kMaxTableBytes / sizeof(T)) return false;
    const std::uint64_t offset = FileOffset(address, count * sizeof(T));
    if (offset == kNowhere) return false;
    out.resize(count);
    return count == 0 || file_.Read(offset, out.data(), count * sizeof(T));
  }

 private:
  static constexpr std::uint64_t kNowhere = ~std::uint64_t{0};

  // Where [address, address + size) of the image lies in the file.
  std::uint64_t FileOffset(Addr address, std::uint64_t size) const {
    for (const Phdr *load : loads_) {
      if (address >= load->p_vaddr && Inside(address - load->p_vaddr, size, load->p_filesz)) {
        return load->p_offset + (address - load->p_vaddr);
      }
    }
    return kNowhere;
  }

  const ModuleFile &file_;
  std::vector<const Phdr *> loads_;
};

// Segments the loader reads in the image while it loads or runs the module
// (PT_GNU_RELRO only names pages to protect, and may run past the image).
bool ReadInImage(std::uint32_t type) {
  switch (type) {
    case PT_DYNAMIC:
    case PT_PHDR:
    case PT_INTERP:
    case PT_NOTE:
    case PT_TLS:
    case PT_GNU_EH_FRAME:
    case PT_GNU_PROPERTY: return true;
    default: return false;
  }
}

bool SegmentsFit(const ModuleFile &file, const std::vector<Phdr> &segments, const Image &image) {
  if (!image.LoadsFit()) return false;
  int dynamic_tables = 0;
  for (const Phdr &segment : segments) {
    if (segment.p_filesz > 0 && !Inside(segment.p_offset, segment.p_filesz, file.Size())) {
      return false;
    }
    if (!ReadInImage(segment.p_type)) continue;
    // Thread-local zeros lie beyond the image; only the initial values are in it.
    const std::uint64_t size = segment.p_type == PT_TLS ? segment.p_filesz : segment.p_memsz;
    if (size > 0 && !image.Holds(segment.p_vaddr, size)) return false;
    if (segment.p_type == PT_DYNAMIC) ++dynamic_tables;
  }
  return dynamic_tables == 1;
}

// The section table, where there is one, lies in the file and agrees with
// the load segments: each loaded section sits at its address and file
// offset both, as the linker placed it.
bool SectionsFit(const ModuleFile &file, const Ehdr &header, const Image &image) {
  if (header.e_shoff == 0 && header.e_shnum == 0) return true;
  if (header.e_shentsize != sizeof(Shdr)) return false;
  Shdr first{};
  if (!Inside(header.e_shoff, sizeof first, file.Size()) ||
      !file.Read(header.e_shoff, &first, sizeof first)) {
    return false;
  }
  // Past SHN_LORESERVE sections the count and the names' index move into
  // the first entry.
  const std::uint64_t count = header.e_shnum != 0 ? header.e_shnum : first.sh_size;
  const std::uint64_t names = header.e_shstrndx != SHN_XINDEX ? header.e_shstrndx : first.sh_link;
  std::vector<Shdr> sections;
  if (!ReadTable(file, header.e_shoff, count, sections)) return false;
  if (names != SHN_UNDEF && names >= count) return false;
  for (const Shdr &section : sections) {
    if (section.sh_type == SHT_NOBITS || section.sh_type == SHT_NULL) continue;
    if (!Inside(section.sh_offset, section.sh_size, file.Size())) return false;
    if ((section.sh_flags & SHF_ALLOC) != 0 && section.sh_size > 0 &&
        !image.MapsFrom(section.sh_addr, section.sh_size, section.sh_offset)) {
      return false;
    }
  }
  return true;
}

class Dynamic {
 public:
  std::vector<Dyn> entries;

  std::uint64_t Value(std::int64_t tag, std::uint64_t absent = 0) const {
    for (const Dyn &entry : entries) {
      if (entry.d_tag == tag) return entry.d_un.d_val;
    }
    return absent;
  }
  bool Has(std::int64_t tag) const {
    for (const Dyn &entry : entries) {
      if (entry.d_tag == tag) return true;
    }
    return false;
  }
};

// A bound on the entries of the version chains, which the loader follows
// until an entry says it is the last.
constexpr int kMaxVersionEntries = 4096;

// The dynamic string table, and whether a name ends inside it.
class Strings {
 public:
  bool Load(const Image &image, const Dynamic &dynamic) {
    return image.ReadArray(dynamic.Value(DT_STRTAB), dynamic.Value(DT_STRSZ), bytes_);
  }
  bool Holds(std::uint64_t at) const {
    return at < bytes_.size() && std::memchr(&bytes_[at], '\0', bytes_.size() - at) != nullptr;
  }

 private:
  std::vector<char> bytes_;
};

bool SpansFit(const Image &image, const Dynamic &dynamic) {
  // Tables the loader reads, with their sizes where the table gives them.
  struct Span {
    std::int64_t address_tag;
    std::int64_t size_tag;
    std::uint64_t least;
  };
  constexpr Span kSpans[] = {
      {DT_STRTAB, DT_STRSZ, 1},
      {DT_SYMTAB, DT_NULL, sizeof(Sym)},
      {DT_HASH, DT_NULL, 8},
      {DT_GNU_HASH, DT_NULL, 16},
      {DT_RELA, DT_RELASZ, 0},
      {DT_REL, DT_RELSZ, 0},
      {DT_JMPREL, DT_PLTRELSZ, 0},
      {DT_RELR, DT_RELRSZ, 0},
      {DT_INIT_ARRAY, DT_INIT_ARRAYSZ, 0},
      {DT_FINI_ARRAY, DT_FINI_ARRAYSZ, 0},
      {DT_PREINIT_ARRAY, DT_PREINIT_ARRAYSZ, 0},
      {DT_INIT, DT_NULL, 1},
      {DT_FINI, DT_NULL, 1},
      {DT_PLTGOT, DT_NULL, sizeof(Addr)},
      {DT_VERSYM, DT_NULL, 2},
      {DT_VERDEF, DT_NULL, sizeof(ElfW(Verdef))},
      {DT_VERNEED, DT_NULL, sizeof(ElfW(Verneed))},
  };
  for (const Span &span : kSpans) {
    if (!dynamic.Has(span.address_tag)) continue;
    const std::uint64_t size = span.size_tag != DT_NULL ? dynamic.Value(span.size_tag) : span.least;
    if (size > kMaxTableBytes || !image.Holds(dynamic.Value(span.address_tag), size)) return false;
  }
  if (!dynamic.Has(DT_STRTAB) || !dynamic.Has(DT_SYMTAB)) return false;
  if (dynamic.Value(DT_SYMENT, sizeof(Sym)) != sizeof(Sym) ||
      dynamic.Value(DT_RELAENT, sizeof(ElfW(Rela))) != sizeof(ElfW(Rela)) ||
      dynamic.Value(DT_RELENT, sizeof(ElfW(Rel))) != sizeof(ElfW(Rel))) {
    return false;
  }
  const std::uint64_t plt_kind = dynamic.Value(DT_PLTREL, DT_RELA);
  return !dynamic.Has(DT_JMPREL) || plt_kind == DT_RELA || plt_kind == DT_REL;
}

// Every name the loader looks up ends inside the string table.
bool NamesFit(const Dynamic &dynamic, const Strings &strings) {
  for (const Dyn &entry : dynamic.entries) {
    switch (entry.d_tag) {
      case DT_NEEDED:
      case DT_SONAME:
      case DT_RPATH:
      case DT_RUNPATH:
      case DT_AUXILIARY:
      case DT_FILTER:
        if (!strings.Holds(entry.d_un.d_val)) return false;
        break;
      default: break;
    }
  }
  return true;
}

// The number of dynamic symbols the hash table the loader uses reaches; 0
// when it cannot be told.
std::uint64_t SymbolCount(const Image &image, const Dynamic &dynamic) {
  std::uint32_t words[4] = {};
  if (dynamic.Has(DT_HASH)) {
    return image.Read(dynamic.Value(DT_HASH), words, 8) ? words[1] : 0;
  }
  if (!dynamic.Has(DT_GNU_HASH)) return 0;
  // Buckets hold each chain's first symbol; the highest chain runs on to
  // the entry with the low bit set.
  const Addr table = dynamic.Value(DT_GNU_HASH);
  if (!image.Read(table, words, sizeof words)) return 0;
  const std::uint32_t buckets = words[0], first = words[1], bloom = words[2];
  if (buckets == 0 || buckets > kMaxTableBytes / 4 || bloom > kMaxTableBytes / sizeof(Addr)) {
    return 0;
  }
  const Addr bucket_table = table + 16 + std::uint64_t{bloom} * sizeof(Addr);
  std::vector<std::uint32_t> heads;
  if (!image.ReadArray(bucket_table, buckets, heads)) return 0;
  std::uint64_t last = 0;
  for (std::uint32_t head : heads) last = std::max<std::uint64_t>(last, head);
  if (last < first) return first;
  const Addr chains = bucket_table + std::uint64_t{buckets} * 4;
  std::uint32_t hashes[256];
  while (last - first < kMaxTableBytes / 4) {
    // A block at a time where the image has one, else word by word.
    const std::size_t block =
        image.Read(chains + (last - first) * 4, hashes, sizeof hashes) ? 256 : 1;
    if (block == 1 && !image.Read(chains + (last - first) * 4, hashes, 4)) return 0;
    for (std::size_t i = 0; i < block; ++i, ++last) {
      if ((hashes[i] & 1) != 0) return last + 1;
    }
  }
  return 0;
}

bool SymbolsFit(const Image &image, const Dynamic &dynamic, const Strings &strings,
                std::uint64_t symbols) {
  std::vector<Sym> table;
  if (!image.ReadArray(dynamic.Value(DT_SYMTAB), symbols, table)) return false;
  for (const Sym &symbol : table) {
    if (symbol.st_name != 0 && !strings.Holds(symbol.st_name)) return false;
    // The static linker makes hidden and internal symbols local and leaves
    // them out of this table; one marked so here is damage, which the loader
    // would bind to nothing.
    const unsigned visibility = ELF64_ST_VISIBILITY(symbol.st_other);
    if (visibility == STV_HIDDEN || visibility == STV_INTERNAL) return false;
  }
  return true;
}

// The highest version index the version chains define, as the loader sizes
// its table of versions by it; -1 when a chain leaves the image or a name
// the string table.
long VersionsDefined(const Image &image, const Dynamic &dynamic, const Strings &strings) {
  long highest = 0;
  int entries = 0;
  if (dynamic.Has(DT_VERNEED)) {
    for (Addr at = dynamic.Value(DT_VERNEED);;) {
      ElfW(Verneed) need{};
      if (++entries > kMaxVersionEntries || !image.Read(at, &need, sizeof need) ||
          !strings.Holds(need.vn_file)) {
        return -1;
      }
      for (Addr aux_at = at + need.vn_aux;;) {
        ElfW(Vernaux) aux{};
        if (++entries > kMaxVersionEntries || !image.Read(aux_at, &aux, sizeof aux) ||
            !strings.Holds(aux.vna_name)) {
          return -1;
        }
        highest = std::max<long>(highest, aux.vna_other & 0x7FFF);
        if (aux.vna_next == 0) break;
        aux_at += aux.vna_next;
      }
      if (need.vn_next == 0) break;
      at += need.vn_next;
    }
  }
  if (dynamic.Has(DT_VERDEF)) {
    for (Addr at = dynamic.Value(DT_VERDEF);;) {
      ElfW(Verdef) def{};
      ElfW(Verdaux) aux{};
      if (++entries > kMaxVersionEntries || !image.Read(at, &def, sizeof def) ||
          !image.Read(at + def.vd_aux, &aux, sizeof aux) || !strings.Holds(aux.vda_name)) {
        return -1;
      }
      highest = std::max<long>(highest, def.vd_ndx & 0x7FFF);
      if (def.vd_next == 0) break;
      at += def.vd_next;
    }
  }
  return highest;
}

// Each symbol's version is one the chains define: the loader indexes its
// table of versions with it unchecked.
bool VersionsFit(const Image &image, const Dynamic &dynamic, const Strings &strings,
                 std::uint64_t symbols) {
  const long highest = VersionsDefined(image, dynamic, strings);
  if (highest < 0) return false;
  if (!dynamic.Has(DT_VERSYM) || highest == 0) return true;
  std::vector<std::uint16_t> versions;
  if (!image.ReadArray(dynamic.Value(DT_VERSYM), symbols, versions)) return false;
  for (std::uint16_t version : versions) {
    if ((version & 0x7FFF) > highest) return false;
  }
  return true;
}

// The symbol index and the type of a relocation's info word, as
// ELF64_R_SYM and ELF64_R_TYPE (or their 32-bit forms) take them.
constexpr std::uint64_t SymbolOf(std::uint64_t info) {
  return sizeof(Addr) == 8 ? info >> 32 : info >> 8;
}
constexpr std::uint64_t TypeOf(std::uint64_t info) {
  return sizeof(Addr) == 8 ? info & 0xFFFFFFFF : info & 0xFF;
}

// The relocation that sets a word to the load address plus its addend, on
// the machines where the check knows it (0 elsewhere).
#if defined(__x86_64__)
constexpr std::uint64_t kRelativeType = R_X86_64_RELATIVE;
#elif defined(__aarch64__)
constexpr std::uint64_t kRelativeType = R_AARCH64_RELATIVE;
#else
constexpr std::uint64_t kRelativeType = 0;
#endif

// Whether a relocation's addend may point anywhere. Relative ones point
// into the image (or just past its end).
template <typename Relocation>
bool AddendFits(const Image &image, const Relocation &relocation) {
  if constexpr (requires { relocation.r_addend; }) {
    if (kRelativeType != 0 && TypeOf(relocation.r_info) == kRelativeType) {
      const auto address = static_cast<Addr>(relocation.r_addend);
      return image.Holds(address, 0);
    }
  }
  return true;
}

// Each relocation names a place in the image and a symbol whose entry lies
// in it; `symbols` grows to cover every symbol named.
template <typename Relocation>
bool RelocationsFit(const Image &image, const Dynamic &dynamic, std::int64_t table_tag,
                    std::int64_t size_tag, std::uint64_t &symbols) {
  if (!dynamic.Has(table_tag)) return true;
  if (dynamic.Value(size_tag) > kMaxTableBytes) return false;
  std::vector<Relocation> relocations;
  if (!image.ReadArray(dynamic.Value(table_tag), dynamic.Value(size_tag) / sizeof(Relocation),
                       relocations)) {
    return false;
  }
  const Addr symbol_table = dynamic.Value(DT_SYMTAB);
  for (const Relocation &relocation : relocations) {
    const std::uint64_t symbol = SymbolOf(relocation.r_info);
    if (!image.Holds(relocation.r_offset, sizeof(Addr)) || symbol > kMaxTableBytes / sizeof(Sym) ||
        !image.Holds(symbol_table + symbol * sizeof(Sym), sizeof(Sym)) ||
        !AddendFits(image, relocation)) {
      return false;
    }
    symbols = std::max(symbols, symbol + 1);
  }
  return true;
}

bool DynamicTableFits(const ModuleFile &file, const std::vector<Phdr> &segments,
                      const Image &image) {
  const Phdr *table = nullptr;
  for (const Phdr &segment : segments) {
    if (segment.p_type == PT_DYNAMIC) table = &segment;
  }
  Dynamic dynamic;
  if (table == nullptr ||
      !ReadTable(file, table->p_offset, table->p_filesz / sizeof(Dyn), dynamic.entries)) {
    return false;
  }
  // The loader reads up to the terminating entry; zeros past the file's part end it too.
  bool ended = table->p_memsz > table->p_filesz;
  for (std::size_t i = 0; i < dynamic.entries.size(); ++i) {
    if (dynamic.entries[i].d_tag == DT_NULL) {
      dynamic.entries.resize(i);
      ended = true;
      break;
    }
  }
  Strings strings;
  if (!ended || !SpansFit(image, dynamic) || !strings.Load(image, dynamic) ||
      !NamesFit(dynamic, strings)) {
    return false;
  }
  // The symbols the loader reads: those its hash table reaches and those
  // the relocations name.
  std::uint64_t symbols = SymbolCount(image, dynamic);
  const bool plt_rela = dynamic.Value(DT_PLTREL, DT_RELA) == DT_RELA;
  if (!RelocationsFit<ElfW(Rela)>(image, dynamic, DT_RELA, DT_RELASZ, symbols) ||
      !RelocationsFit<ElfW(Rel)>(image, dynamic, DT_REL, DT_RELSZ, symbols) ||
      !(plt_rela ? RelocationsFit<ElfW(Rela)>(image, dynamic, DT_JMPREL, DT_PLTRELSZ, symbols)
                 : RelocationsFit<ElfW(Rel)>(image, dynamic, DT_JMPREL, DT_PLTRELSZ, symbols))) {
    return false;
  }
  return SymbolsFit(image, dynamic, strings, symbols) &&
         VersionsFit(image, dynamic, strings, symbols);
}

class FileAtDescriptor final : public ModuleFile {
 public:
  FileAtDescriptor(int descriptor, std::uint64_t size) : descriptor_(descriptor), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  bool Read(std::uint64_t offset, void *out, std::size_t size) const override {
    if (!Inside(offset, size, size_)) return false;
    auto *bytes = static_cast<char *>(out);
    while (size > 0) {
      const ssize_t n = pread(descriptor_, bytes, size, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes += n;
      offset += static_cast<std::uint64_t>(n);
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int descriptor_;
  std::uint64_t size_;
};

}  // namespace

bool ModuleBytes::Read(std::uint64_t offset, void *out, std::size_t size) const {
  if (!Inside(offset, size, size_)) return false;
  if (size > 0) std::memcpy(out, data_ + offset, size);
  return true;
}

bool IsCompleteSharedObject(const ModuleFile &file) {
  Ehdr header{};
  if (file.Size() < sizeof header || !file.Read(0, &header, sizeof header) || !HeaderFits(header)) {
    return false;
  }
  // PN_XNUM (an extended count) is not one the loader takes.
  std::vector<Phdr> segments;
  if (header.e_phnum == 0 || header.e_phnum == PN_XNUM ||
      !ReadTable(file, header.e_phoff, header.e_phnum, segments)) {
    return false;
  }
  const Image image(file, segments);
  return SegmentsFit(file, segments, image) && SectionsFit(file, header, image) &&
         DynamicTableFits(file, segments, image);
}

bool IsCompleteSharedObjectFile(const std::string &path) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  struct stat info {};
  bool complete = false;
  if (fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode)) {
    complete = IsCompleteSharedObject(
        FileAtDescriptor(descriptor, static_cast<std::uint64_t>(info.st_size)));
  }
  close(descriptor);
  return complete;
}

}  // namespace tmx::platform
