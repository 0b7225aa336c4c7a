#include "runtime/ui/description.h"

#include <cctype>
#include <charconv>
#include <functional>
#include <map>
#include <set>

#include "runtime/ui/list_format.h"
#include "runtime/core/ascii_names.h"

namespace kiv::ui {
namespace {

struct ControlTypeName {
  const char* name;
  ControlType type;
};

constexpr ControlTypeName kControlTypes[] = {
    {"prompt", ControlType::Prompt},
    {"entry", ControlType::Entry},
    {"text", ControlType::Text},
    {"button", ControlType::Button},
    {"check", ControlType::Check},
    {"option", ControlType::Option},
    {"radio", ControlType::Radio},
    {"list", ControlType::List},
    {"combo", ControlType::Combo},
    {"droplist", ControlType::DropList},
    {"spin", ControlType::Spin},
    {"progress", ControlType::Progress},
    {"panel", ControlType::Panel},
    {"image", ControlType::Image},
    {"box", ControlType::Box},
    {"line", ControlType::Line},
    {"ellipse", ControlType::Ellipse},
    {"region", ControlType::Region},
    {"sheet", ControlType::Sheet},
    {"tab", ControlType::Tab},
    {"group", ControlType::Group},
    {"pie", ControlType::Pie},
    {"menu", ControlType::Menu},
    {"item", ControlType::Item},
    {"separator", ControlType::Separator},
    {"header", ControlType::Header},
    {"footer", ControlType::Footer},
    {"detail", ControlType::Detail},
};

struct TypeName {
  const char* name;
  int32_t code;
  uint32_t size;  // 0: the size follows in the description
};

constexpr TypeName kValueTypes[] = {
    {"byte", 1, 1},     {"short", 2, 2},    {"ushort", 3, 2},    {"date", 4, 4},
    {"time", 5, 4},     {"long", 6, 4},     {"ulong", 7, 4},     {"sreal", 8, 4},
    {"real", 9, 8},     {"decimal", 10, 0}, {"pdecimal", 11, 0}, {"string", 18, 0},
    {"cstring", 19, 0}, {"pstring", 20, 0},
};

// One line cut into words; quoted words keep their text without the quotes.
struct Token {
  std::string text;
  bool quoted = false;
};

bool tokenize(std::string_view line, std::vector<Token>& out, std::string& error) {
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      Token t{"", true};
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char d = line[i++];
        if (d == '"') {
          closed = true;
          break;
        }
        if (d == '\\' && i < line.size()) {
          char e = line[i++];
          d = e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
        }
        t.text += d;
      }
      if (!closed) {
        error = "unterminated string";
        return false;
      }
      out.push_back(std::move(t));
    } else {
      size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
             line[i] != '"')
        ++i;
      out.push_back({std::string(line.substr(start, i - start)), false});
    }
  }
  return true;
}

class Parser {
 public:
  std::optional<ModuleDesc> run(std::string_view text, ParseError& error) {
    size_t pos = 0;
    while (pos <= text.size()) {
      size_t end = text.find('\n', pos);
      if (end == std::string_view::npos) end = text.size();
      ++line_;
      std::vector<Token> tokens;
      std::string why;
      if (!tokenize(text.substr(pos, end - pos), tokens, why)) return failed(error, why);
      if (!tokens.empty() && !statement(tokens)) return failed(error, error_);
      pos = end + 1;
    }
    if (!stack_.empty() || structure_) {
      line_ = openLines_.empty() ? structure_->line : openLines_.back();
      return failed(error, "missing 'end' for the block opened on this line");
    }
    if (module_.module.empty()) return failed(error, "no 'module' line");
    return std::move(module_);
  }

 private:
  std::optional<ModuleDesc> failed(ParseError& error, const std::string& why) {
    error = {line_, why};
    return std::nullopt;
  }
  bool fail(std::string why) {
    error_ = std::move(why);
    return false;
  }

  // Cursor over one line's words.
  struct Words {
    const std::vector<Token>& t;
    size_t i = 0;
    bool more() const { return i < t.size(); }
    const Token& peek() const { return t[i]; }
  };

  bool integer(Words& w, int32_t& out, const char* what) {
    if (!w.more()) return fail(std::string(what) + " expected");
    const std::string& s = w.t[w.i].text;
    int64_t v = 0;
    const char* b = s.data();
    const char* e = s.data() + s.size();
    std::from_chars_result r{};
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
      r = std::from_chars(b + 2, e, v, 16);
    else
      r = std::from_chars(b, e, v, 10);
    if (w.t[w.i].quoted || r.ec != std::errc() || r.ptr != e || v < INT32_MIN || v > INT32_MAX)
      return fail(std::string(what) + " expected, found '" + s + "'");
    out = static_cast<int32_t>(v);
    ++w.i;
    return true;
  }

  bool string(Words& w, std::string& out, const char* what) {
    if (!w.more() || !w.peek().quoted) return fail(std::string(what) + " (a quoted text) expected");
    out = w.t[w.i++].text;
    return true;
  }

  bool rect(Words& w, Rect& r) {
    return integer(w, r.x, "x") && integer(w, r.y, "y") && integer(w, r.w, "width") &&
           integer(w, r.h, "height");
  }

  bool font(Words& w, FontDesc& f) {
    if (!string(w, f.name, "font name") || !integer(w, f.size, "font size")) return false;
    return true;
  }

  bool use(Words& w, UseBinding& u) {
    if (!integer(w, u.index, "USE variable number")) return false;
    if (u.index < 1) return fail("USE variable numbers start at 1");
    if (!w.more() || w.peek().quoted) return fail("USE variable type expected");
    std::string type = w.t[w.i++].text;
    for (const TypeName& t : kValueTypes) {
      if (type == t.name) {
        u.type = t.code;
        u.size = t.size;
        if (t.size == 0) {
          int32_t size = 0;
          if (!integer(w, size, "USE variable size")) return false;
          if (size < 1 || size > 65535) return fail("bad USE variable size");
          u.size = static_cast<uint32_t>(size);
          if (u.type == 10 || u.type == 11) {
            int32_t places = 0;
            if (w.more() && !w.peek().quoted &&
                std::isdigit(static_cast<unsigned char>(w.peek().text[0]))) {
              if (!integer(w, places, "decimal places")) return false;
              if (places < 0 || places > 31) return fail("bad decimal places");
            }
            u.places = static_cast<uint32_t>(places);
          }
        }
        return true;
      }
    }
    return fail("unknown USE variable type '" + type + "'");
  }

  // Attributes after a control's type, equate and optional text.
  bool controlAttributes(Words& w, ControlDesc& c) {
    while (w.more()) {
      if (w.peek().quoted) return fail("unexpected text \"" + w.peek().text + "\"");
      std::string key = w.t[w.i++].text;
      bool ok = true;
      if (key == "at")
        ok = rect(w, c.at);
      else if (key == "text")
        ok = string(w, c.text, "text");
      else if (key == "name")
        ok = string(w, c.name, "name");
      else if (key == "picture")
        ok = string(w, c.picture, "picture");
      else if (key == "format")
        ok = string(w, c.format, "format");
      else if (key == "from")
        ok = string(w, c.from, "choices");
      else if (key == "value")
        ok = string(w, c.value, "value");
      else if (key == "off")
        ok = string(w, c.offValue, "value when off");
      else if (key == "tip")
        ok = string(w, c.tip, "tip");
      else if (key == "hint")
        ok = string(w, c.hint, "hint");
      else if (key == "std")
        ok = string(w, c.stdAction, "standard action");
      else if (key == "use")
        ok = use(w, c.use);
      else if (key == "font")
        ok = font(w, c.font);
      else if (key == "color")
        ok = integer(w, c.fg, "colour") && integer(w, c.bg, "colour");
      else if (key == "fill")
        ok = integer(w, c.fill, "colour");
      else if (key == "border")
        ok = integer(w, c.border, "colour");
      else if (key == "bevel")
        ok = integer(w, c.bevelOuter, "bevel") && integer(w, c.bevelInner, "bevel");
      else if (key == "range") {
        ok = integer(w, c.rangeLow, "low bound") && integer(w, c.rangeHigh, "high bound");
        c.hasRange = true;
      } else if (key == "bold")
        c.font.bold = true;
      else if (key == "italic")
        c.font.italic = true;
      else if (key == "underline")
        c.font.underline = true;
      else if (key == "hidden")
        c.hidden = true;
      else if (key == "disabled")
        c.disabled = true;
      else if (key == "default")
        c.isDefault = true;
      else if (key == "readonly")
        c.readOnly = true;
      else if (key == "checked")
        c.checked = true;
      else if (key == "vscroll")
        c.vscroll = true;
      else if (key == "required")
        c.required = true;
      else if (key == "wizard" && c.type == ControlType::Sheet)
        c.wizard = true;
      else if (key == "pageno")
        c.pageNo = true;
      else if (key == "left")
        c.justify = 'L';
      else if (key == "right")
        c.justify = 'R';
      else if (key == "center")
        c.justify = 'C';
      else
        return fail("unknown control attribute '" + key + "'");
      if (!ok) return false;
    }
    if (!c.format.empty()) {
      std::string why;
      if (!parseListFormat(c.format, &why)) return fail("list format refused: " + why);
    }
    if (c.use.index && !isValueControl(c.type) && c.type != ControlType::Break)
      return fail(std::string("a ") + controlTypeName(c.type) + " has no value to USE");
    return true;
  }

  bool structureAttributes(Words& w, StructureDesc& s) {
    while (w.more()) {
      if (w.peek().quoted) return fail("unexpected text \"" + w.peek().text + "\"");
      std::string key = w.t[w.i++].text;
      bool ok = true;
      if (key == "at")
        ok = rect(w, s.at);
      else if (key == "text")
        ok = string(w, s.text, "text");
      else if (key == "font")
        ok = font(w, s.font);
      else if (key == "color")
        ok = integer(w, s.fg, "colour") && integer(w, s.bg, "colour");
      else if (key == "timer")
        ok = integer(w, s.timer, "timer");
      else if (key == "icon")
        ok = string(w, s.icon, "icon");
      else if (key == "modal")
        s.modal = true;
      else if (key == "resizable")
        s.resizable = true;
      else if (key == "maximize")
        s.maximize = true;
      else if (key == "iconize")
        s.iconize = true;
      else if (key == "nosystem")
        s.system = false;
      else if (key == "center")
        s.center = true;
      else if (key == "bold")
        s.font.bold = true;
      else if (key == "paper" && s.kind == StructureKind::Report) {
        ok = integer(w, s.paperWidth, "paper width") && integer(w, s.paperHeight, "paper height");
        if (ok && (s.paperWidth <= 0 || s.paperHeight <= 0)) return fail("empty paper");
      } else
        return fail("unknown window attribute '" + key + "'");
      if (!ok) return false;
    }
    return true;
  }

  // Where a new control goes: the innermost open block.
  std::vector<ControlDesc>* target() {
    if (!stack_.empty()) return &stack_.back()->children;
    return &structure_->controls;
  }

  bool addEquate(int32_t feq) {
    if (feq == 0) return true;
    if (!equates_.insert(feq).second)
      return fail("field equate " + std::to_string(feq) + " used twice");
    return true;
  }

  bool statement(const std::vector<Token>& tokens) {
    Words w{tokens};
    if (tokens[0].quoted) return fail("a keyword must start the line");
    std::string key = tokens[0].text;
    w.i = 1;
    if (key == "module") {
      if (!module_.module.empty()) return fail("a second 'module' line");
      if (!w.more()) return fail("module name expected");
      module_.module = w.t[w.i++].text;
      if (module_.module.find('$') == std::string::npos)
        return fail("a module name holds a '$' before its resource part");
      return w.more() ? fail("unexpected words after the module name") : true;
    }
    if (module_.module.empty()) return fail("the 'module' line must come first");
    if (key == "structure") {
      if (structure_) return fail("structures do not nest");
      StructureDesc s;
      s.line = line_;
      if (!w.more()) return fail("structure label expected");
      s.label = w.t[w.i++].text;
      if (!w.more()) return fail("structure kind expected");
      std::string kind = w.t[w.i++].text;
      if (kind == "application")
        s.kind = StructureKind::Application;
      else if (kind == "mdi")
        s.kind = StructureKind::Mdi;
      else if (kind == "window")
        s.kind = StructureKind::Window;
      else if (kind == "report")
        s.kind = StructureKind::Report;
      else
        return fail("unknown structure kind '" + kind + "'");
      if (module_.find(s.label)) return fail("structure " + s.label + " described twice");
      if (!structureAttributes(w, s)) return false;
      module_.structures.push_back(std::move(s));
      structure_ = &module_.structures.back();
      equates_.clear();
      return true;
    }
    if (!structure_) return fail("'" + key + "' outside a structure");
    if (key == "end") {
      if (w.more()) return fail("unexpected words after 'end'");
      if (!stack_.empty()) {
        stack_.pop_back();
        openLines_.pop_back();
      } else if (inMenubar_ || inToolbar_) {
        inMenubar_ = inToolbar_ = false;
      } else {
        structure_ = nullptr;
      }
      return true;
    }
    bool report = structure_->kind == StructureKind::Report;
    if (report && (key == "menubar" || key == "toolbar" || key == "status"))
      return fail("a report has no " + key);
    if (key == "menubar") {
      if (!stack_.empty() || inMenubar_ || inToolbar_) return fail("menubar inside a block");
      if (!structure_->menubar.empty()) return fail("a second menubar");
      inMenubar_ = true;
      return !w.more() || fail("unexpected words after 'menubar'");
    }
    if (key == "toolbar") {
      if (!stack_.empty() || inMenubar_ || inToolbar_) return fail("toolbar inside a block");
      if (!integer(w, structure_->toolbarHeight, "toolbar height")) return false;
      inToolbar_ = true;
      return !w.more() || fail("unexpected words after the toolbar height");
    }
    if (key == "status") {
      while (w.more()) {
        int32_t width = 0;
        if (!integer(w, width, "zone width")) return false;
        structure_->statusZones.push_back(width);
      }
      return !structure_->statusZones.empty() || fail("status needs zone widths");
    }
    std::optional<ControlType> type = controlTypeByName(key);
    if (!type) return fail("unknown keyword '" + key + "'");
    return control(*type, w);
  }

  bool inBand() const {
    for (const ControlDesc* open : stack_)
      if (isBand(open->type)) return true;
    return false;
  }

  // Where bands and group structures may stand in a report, and what a band may hold.
  bool reportPlacement(ControlType& type) {
    bool report = structure_->kind == StructureKind::Report;
    bool band = isBand(type);
    if (!report) {
      return !band || fail(std::string("a ") + controlTypeName(type) + " band belongs in a report");
    }
    if (inBand()) {
      if (band) return fail(std::string("a ") + controlTypeName(type) + " band inside a band");
      return true;
    }
    if (type == ControlType::Group) type = ControlType::Break;  // a group structure
    if (type != ControlType::Break && !band)
      return fail(std::string("a ") + controlTypeName(type) + " outside a band");
    if (type == ControlType::Header || type == ControlType::Footer) {
      for (const ControlDesc& sibling : *target())
        if (sibling.type == type)
          return fail(std::string("a second ") + controlTypeName(type) + " at this level");
    }
    return true;
  }

  bool control(ControlType type, Words& w) {
    if (!reportPlacement(type)) return false;
    ControlDesc c;
    c.type = type;
    c.line = line_;
    ControlType parent = stack_.empty() ? ControlType::Prompt : stack_.back()->type;
    bool inMenu = inMenubar_ || (!stack_.empty() && parent == ControlType::Menu);
    if (inMenu !=
        (type == ControlType::Menu || type == ControlType::Item || type == ControlType::Separator))
      return fail(inMenu ? std::string("a ") + controlTypeName(type) + " inside a menu"
                         : std::string("a ") + controlTypeName(type) + " outside a menu");
    if (type == ControlType::Tab && parent != ControlType::Sheet)
      return fail("a tab belongs in a sheet");
    if (!stack_.empty() && parent == ControlType::Sheet && type != ControlType::Tab)
      return fail("a sheet holds only tabs");
    if (type == ControlType::Radio && parent != ControlType::Option)
      return fail("a radio belongs in an option");
    if (type != ControlType::Separator) {
      if (w.more() && !w.peek().quoted) {
        if (!integer(w, c.feq, "field equate")) return false;
      } else if (type != ControlType::Menu) {
        return fail("field equate expected");
      }
      if (w.more() && w.peek().quoted) c.text = w.t[w.i++].text;
    }
    if (!controlAttributes(w, c)) return false;
    if (!addEquate(c.feq)) return false;
    bool opens = type == ControlType::Menu || type == ControlType::Sheet ||
                 type == ControlType::Tab || type == ControlType::Option ||
                 type == ControlType::Group || type == ControlType::Break || isBand(type);
    std::vector<ControlDesc>* list = inToolbar_ && stack_.empty()   ? &structure_->toolbar
                                     : inMenubar_ && stack_.empty() ? &structure_->menubar
                                                                    : target();
    list->push_back(std::move(c));
    if (opens) {
      stack_.push_back(&list->back());
      openLines_.push_back(line_);
    }
    return true;
  }

  ModuleDesc module_;
  StructureDesc* structure_ = nullptr;
  std::vector<ControlDesc*> stack_;  // open blocks inside the structure
  std::vector<int> openLines_;
  std::set<int32_t> equates_;
  bool inMenubar_ = false, inToolbar_ = false;
  int line_ = 0;
  std::string error_;
};

void collect(const std::vector<ControlDesc>& list, std::vector<const ControlDesc*>& out) {
  for (const ControlDesc& c : list) {
    out.push_back(&c);
    collect(c.children, out);
  }
}

}  // namespace

std::optional<ControlType> controlTypeByName(std::string_view name) {
  for (const ControlTypeName& t : kControlTypes)
    if (name == t.name) return t.type;
  return std::nullopt;
}

const char* controlTypeName(ControlType type) {
  if (type == ControlType::Break) return "group";
  for (const ControlTypeName& t : kControlTypes)
    if (t.type == type) return t.name;
  return "control";
}

bool isBand(ControlType type) {
  return type == ControlType::Header || type == ControlType::Footer || type == ControlType::Detail;
}

bool isValueControl(ControlType type) {
  switch (type) {
    case ControlType::Pie:
    case ControlType::Entry:
    case ControlType::Text:
    case ControlType::Check:
    case ControlType::Option:
    case ControlType::List:
    case ControlType::Combo:
    case ControlType::DropList:
    case ControlType::Spin:
    case ControlType::Progress:
    case ControlType::Sheet:
    case ControlType::Prompt:
      return true;
    default:
      return false;
  }
}

std::vector<const ControlDesc*> StructureDesc::allControls() const {
  std::vector<const ControlDesc*> out;
  collect(menubar, out);
  collect(toolbar, out);
  collect(controls, out);
  return out;
}

const StructureDesc* ModuleDesc::find(std::string_view label) const {
  for (const StructureDesc& s : structures)
    if (core::sameNameIgnoringCase(s.label, label)) return &s;
  return nullptr;
}

std::optional<ModuleDesc> parseDescription(std::string_view text, ParseError& error) {
  return Parser().run(text, error);
}

std::string resourceNameForModule(std::string_view module) {
  size_t dollar = module.rfind('$');
  std::string name(dollar == std::string_view::npos ? module : module.substr(dollar + 1));
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name + "_RSC";
}

std::string resourceNameForImage(std::string_view fileName) {
  if (!fileName.empty() && fileName[0] == '~') fileName.remove_prefix(1);
  std::string name(fileName);
  for (char& c : name) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c == '.') c = '_';
  }
  return name;
}

}  // namespace kiv::ui
