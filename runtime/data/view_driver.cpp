// The view engine's driver entry VIEWDRIVER: checks each operation against the view's own state
// word, runs it on the view's reader pipeline (or passes it to the primary table's driver) and
// leaves its outcome in the state words and the error state.
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "include/kvrun32.h"
#include "runtime/core/string_stack.h"
#include "runtime/data/dispatch.h"
#include "runtime/data/expr_builtins.h"
#include "runtime/data/view_descriptor.h"
#include "runtime/data/view_readers.h"

namespace kiv::data::view {
namespace {

// A filter and an order set on a view, parsed.
struct Properties {
  ExprPtr filter;
  std::vector<OrderPart> order;
  bool orderSet = false;  // an order was set at run time
};

// Properties set on views that are not open; OPEN takes them over.
std::map<const KivView*, Properties> gClosedProperties;

// Everything the engine keeps for one open view.
struct Engine {
  uint32_t state = 0;    // the view's state word (bits of the operation state table)
  uint32_t pending = 0;  // its pending word
  KivView* view = nullptr;
  KivTable* primary = nullptr;
  std::unique_ptr<VIEW_DESCRIPTOR> structure;
  std::unique_ptr<Pipeline> pipeline;
  Properties props;
  bool buffered = false;  // the order needs the ordering stage
  OrderStage stage;
  Start next = Start::Fresh;
  bool rebuild = false;                 // build the pipeline again before the next read
  bool hasStart = false;                // SET by order values gave start values
  std::vector<std::string> startImage;  // key field bytes of those start values
  std::vector<Value> startValues;       // order values of those start values
};

KivTable* primaryOf(const KivView* view) {
  return view && view->components ? static_cast<KivTable*>(view->components[0]) : nullptr;
}

KivDrvFileHead* headOf(const KivTable* table) {
  return table ? static_cast<KivDrvFileHead*>(table->openFile) : nullptr;
}

// The SET of the primary table is taken over by the view once: the engine forgets it after use.
void forgetPrimarySet(const Engine& e) {
  if (KivDrvFileHead* h = headOf(e.primary)) h->state &= ~uint32_t(KIV_STATE_SETBYSET);
}

int32_t levelResolver(void* context, Ufo* variable, const char*) {
  return static_cast<Pipeline*>(context)->levelOf(Kiv$AddressUfo(variable));
}

// How many leading order components the primary key delivers in order: a component is delivered
// when it is the key's field itself (ascending), or UPPER of it on a case-blind key.
size_t keyDelivers(const TableReader& primary, KivKey* key, const std::vector<OrderPart>& order) {
  if (!key || !key->components) return 0;
  bool caseBlind = (key->attributes & KIV_KEY_NOCASE) != 0;
  size_t n = 0;
  for (; n < order.size() && n < key->componentCount; ++n) {
    if (order[n].descending || !order[n].expr) break;
    int32_t field = key->components[n];
    if (field < 1 || size_t(field) > primary.fields().size()) break;
    const void* address = primary.fieldAddress(field);
    bool text = primary.fields()[size_t(field - 1)].type == KIV_STRING ||
                primary.fields()[size_t(field - 1)].type == KIV_CSTRING ||
                primary.fields()[size_t(field - 1)].type == KIV_PSTRING;
    const Node* node = order[n].expr->root.get();
    bool upper = false;
    if (node->kind == NodeKind::Call && node->function == kUpper && node->args.size() == 1) {
      node = node->args[0].get();
      upper = true;
    }
    if (node->kind != NodeKind::Variable || !node->variable ||
        Kiv$AddressUfo(node->variable) != address)
      break;
    if (text && caseBlind != upper) break;
  }
  return n;
}

// Finds in the filter's top-level AND terms a comparison for equality of the primary key's first
// field, a whole number, with a value known outside the view (level 0, annotated before).
void findKeyRange(const TableReader& primary, int32_t field, const Node* n, Pipeline& p) {
  if (!n || p.rangeField) return;
  if (n->kind == NodeKind::Binary && n->op == kOpAnd && n->args.size() == 2) {
    findKeyRange(primary, field, n->args[0].get(), p);
    findKeyRange(primary, field, n->args[1].get(), p);
    return;
  }
  if (n->kind != NodeKind::Binary || n->op != kOpEq || n->args.size() != 2) return;
  if (field < 1 || size_t(field) > primary.fields().size()) return;
  const uint8_t type = primary.fields()[size_t(field - 1)].type;
  if (type != KIV_BYTE && type != KIV_SHORT && type != KIV_USHORT && type != KIV_LONG &&
      type != KIV_ULONG)
    return;
  const void* address = primary.fieldAddress(field);
  for (size_t side = 0; side < 2; ++side) {
    const Node* a = n->args[side].get();
    const Node* b = n->args[1 - side].get();
    if (a->kind == NodeKind::Variable && a->variable && Kiv$AddressUfo(a->variable) == address &&
        b->level == 0) {
      p.rangeField = a;
      p.rangeValue = b;
      return;
    }
  }
}

// Builds one component and, depth first, its joins.
int32_t buildComponent(Engine& e, Pipeline& p, int parent, KivKey* primaryKey) {
  VIEW_DESCRIPTOR& d = *e.structure;
  size_t index = p.readers.size();
  void* entry = e.view->components[index];
  if (!entry) return 75;
  std::unique_ptr<TableReader> reader;
  ExprPtr condition;
  if (parent < 0) {
    reader = std::make_unique<TableReader>(static_cast<KivTable*>(entry), primaryKey, -1);
  } else if (d.COMPONENTS() == VIEW_DESCRIPTOR::kAll) {
    reader = std::make_unique<TableReader>(static_cast<KivTable*>(entry), nullptr, parent);
    const char* text = d.CONDITION();
    condition.reset(Kiv$ParseCString(text ? text : ""));
    if (!condition) return Kiv$ERRCODE ? Kiv$ERRCODE : 75;
  } else {
    auto* key = static_cast<KivKey*>(entry);
    reader = std::make_unique<TableReader>(key->table, key, parent);
  }
  if (!reader->init()) return 75;
  if (parent >= 0) {
    if (condition) {
      reader->linkByCondition(std::move(condition));
    } else {
      std::vector<uint16_t> links;
      for (uint16_t i = 1; i <= d.COMPONENTS(); ++i) links.push_back(d.COMPONENT(i));
      if (!reader->linkByKey(*p.readers[size_t(parent)], links)) return 75;
    }
  }
  // Memos are read only when the component projects them.
  bool memos = d.FIELDS() == VIEW_DESCRIPTOR::kAll;
  for (uint16_t i = 1; !memos && i <= d.FIELDS(); ++i)
    if (d.FIELD(i) == VIEW_DESCRIPTOR::kAll) memos = true;
  reader->setNoMemo(!memos && reader->table()->memoCount > 0);
  p.readers.push_back(std::move(reader));
  for (uint8_t j = 1; j <= d.JOINS(); ++j) {
    if (!d.SET_JOIN(j)) return 75;
    int32_t err = buildComponent(e, p, static_cast<int>(index), nullptr);
    d.UNSET_JOIN();
    if (err) return err;
  }
  return 0;
}

// Builds the pipeline: the primary read through the key of its last SET (or, with a run-time
// order, the key that delivers most of the order), the joins through their keys or conditions.
int32_t build(Engine& e) {
  auto p = std::make_unique<Pipeline>();
  KivKey* key = nullptr;
  e.buffered = false;
  if (!e.props.orderSet) {
    Kiv$clearerror();
    int32_t n = kiv::data::dispatch(e.primary, KIV_DRV_CURRENTKEY);
    if (Kiv$ERRCODE == 0 && n >= 1 && n <= e.primary->keyCount) key = e.primary->keys[n - 1];
  } else {
    TableReader probe(e.primary, nullptr, -1);
    if (!probe.init()) return 75;
    size_t best = 0;
    for (uint8_t k = 0; k < e.primary->keyCount; ++k) {
      size_t n = keyDelivers(probe, e.primary->keys[k], e.props.order);
      if (n > best) {
        best = n;
        key = e.primary->keys[k];
      }
    }
    e.buffered = best < e.props.order.size();
  }
  while (e.structure->UNSET_JOIN()) {
  }
  if (int32_t err = buildComponent(e, *p, -1, key)) return err;
  p->filter = e.props.filter.get();
  if (p->filter) Kiv$AnnotateParsed(p->filter, &levelResolver, p.get());
  if (p->filter && key && key->components && key->componentCount > 0 && !e.buffered)
    findKeyRange(*p->readers[0], key->components[0], p->filter->root.get(), *p);
  p->hasStart = e.hasStart && !e.buffered;
  p->startImage = e.startImage;
  e.pipeline = std::move(p);
  e.stage.drop();
  e.rebuild = false;
  return 0;
}

// ---- properties ----

int32_t parseFilter(const std::string& text, Properties& props) {
  props.filter.reset();
  std::string trimmed = text;
  while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) trimmed.pop_back();
  if (trimmed.empty()) return 0;
  props.filter.reset(Kiv$ParseCString(trimmed.c_str()));
  // A filter that does not parse leaves the view unfiltered; an unknown name says so with 801.
  return props.filter ? 0 : Kiv$ERRCODE;
}

// Splits an order list at the commas that lie outside parentheses, brackets and strings.
std::vector<std::string> orderItems(const std::string& text) {
  std::vector<std::string> items;
  std::string cur;
  int depth = 0;
  bool quoted = false;
  for (char c : text) {
    if (c == '\'') quoted = !quoted;
    if (!quoted) {
      if (c == '(' || c == '[') ++depth;
      if ((c == ')' || c == ']') && depth > 0) --depth;
      if (c == ',' && depth == 0) {
        items.push_back(cur);
        cur.clear();
        continue;
      }
    }
    cur.push_back(c);
  }
  items.push_back(cur);
  return items;
}

int32_t parseOrder(const std::string& text, Properties& props) {
  props.order.clear();
  props.orderSet = true;
  bool any = false;
  for (char c : text)
    if (c != ' ' && c != '\t') any = true;
  if (!any) return 0;
  for (const std::string& item : orderItems(text)) {
    size_t i = 0;
    while (i < item.size() && (item[i] == ' ' || item[i] == '\t')) ++i;
    OrderPart part;
    if (i < item.size() && (item[i] == '-' || item[i] == '+')) {
      part.descending = item[i] == '-';
      ++i;
    }
    part.expr.reset(Kiv$ParseCString(item.substr(i).c_str()));
    if (!part.expr) {
      int32_t err = Kiv$ERRCODE;
      props.order.clear();
      return err;
    }
    props.order.push_back(std::move(part));
  }
  return 0;
}

int32_t setProperty(KivView* view, Engine* e, const std::string& number, const std::string& value) {
  long property = std::strtol(number.c_str(), nullptr, 10);
  if (property != KIV_VIEW_PROP_FILTER && property != KIV_VIEW_PROP_ORDER) return 0;
  Properties& props = e ? e->props : gClosedProperties[view];
  Kiv$clearerror();
  int32_t err =
      property == KIV_VIEW_PROP_FILTER ? parseFilter(value, props) : parseOrder(value, props);
  if (e) {
    // The reading state is dropped: the next read starts afresh.
    e->rebuild = true;
    e->next = Start::Fresh;
    e->state &= ~uint32_t(KIV_STATE_RECORD | KIV_STATE_SEQUENCE);
    e->stage.drop();
  }
  return err;
}

// ---- operations ----

int32_t openView(KivView* view, Engine*& out) {
  KivTable* primary = primaryOf(view);
  if (!primary || !primary->openFile) return 37;
  auto e = std::make_unique<Engine>();
  e->view = view;
  e->primary = primary;
  e->structure = view->structure ? std::make_unique<VIEW_DESCRIPTOR>(view->structure)
                                 : std::make_unique<VIEW_DESCRIPTOR>();
  if (!e->structure->valid()) return 75;
  auto pending = gClosedProperties.find(view);
  if (pending != gClosedProperties.end()) {
    e->props = std::move(pending->second);
    gClosedProperties.erase(pending);
  }
  if (int32_t err = build(*e)) return err;
  // The view takes the primary table's write access and exclusive access.
  if (KivDrvFileHead* h = headOf(primary))
    e->state |= h->state & uint32_t(KIV_STATE_WRITE | KIV_STATE_EXCLUSIVE);
  out = e.release();
  return 0;
}

// Order-value start: captures the first n order components' current values.
void setByOrderValues(Engine& e, int32_t n) {
  TableReader& primary = *e.pipeline->readers[0];
  size_t count =
      e.props.orderSet ? e.props.order.size() : (primary.key() ? primary.key()->componentCount : 0);
  size_t given = n < 0 ? 0 : std::min<size_t>(size_t(n), count);
  e.hasStart = true;
  e.startImage.clear();
  e.startValues.clear();
  if (e.buffered) {
    for (size_t j = 0; j < given; ++j)
      e.startValues.push_back(evaluate(*e.props.order[j].expr->root));
  } else if (primary.key()) {
    std::vector<int32_t> keyed = primary.keyFields();
    for (size_t j = 0; j < given && j < keyed.size(); ++j)
      e.startImage.emplace_back(reinterpret_cast<const char*>(primary.fieldAddress(keyed[j])),
                                primary.fieldSize(keyed[j]));
  }
  e.pipeline->hasStart = !e.buffered;
  e.pipeline->startImage = e.startImage;
  e.next = Start::Fresh;
  e.stage.drop();
  forgetPrimarySet(e);
}

int32_t readView(Engine& e, int dir) {
  if (e.rebuild)
    if (int32_t err = build(e)) return err;
  int32_t err;
  if (e.buffered) {
    if (e.next == Start::Fresh || !e.stage.collected()) {
      // Collecting reads the whole pipeline from its beginning, start values aside.
      e.pipeline->hasStart = false;
      if ((err = e.stage.collect(*e.pipeline, e.props.order))) return err;
      e.stage.startFresh(dir, e.hasStart ? &e.startValues : nullptr, e.startValues.size(),
                         e.props.order);
    }
    err = e.stage.next(dir, *e.pipeline);
  } else {
    err = e.pipeline->next(dir, e.next);
  }
  e.next = Start::Advance;
  return err;
}

int32_t skipView(Engine& e, int32_t count) {
  std::vector<std::string> saved = e.pipeline ? e.pipeline->images() : std::vector<std::string>();
  int dir = count >= 0 ? 1 : -1;
  int32_t err = 0;
  for (int64_t n = count >= 0 ? count : -int64_t(count); n > 0 && !err; --n) err = readView(e, dir);
  if (e.pipeline) e.pipeline->restore(saved);
  return err;
}

int32_t resetView(Engine& e, const std::string& position) {
  if (e.rebuild)
    if (int32_t err = build(e)) return err;
  int32_t err;
  if (e.buffered) {
    if (!e.stage.collected()) {
      e.pipeline->hasStart = false;
      if ((err = e.stage.collect(*e.pipeline, e.props.order))) return err;
    }
    err = e.stage.reset(position);
    e.next = Start::Advance;
  } else {
    err = e.pipeline->reset(position);
    e.next = err ? Start::Fresh : Start::Resume;
  }
  forgetPrimarySet(e);
  return err;
}

bool answered(int32_t op) {
  switch (op) {
    case KIV_DRV_OPEN:
    case KIV_DRV_CLOSE:
    case KIV_DRV_VIEWSETORDER:
    case KIV_DRV_NEXT:
    case KIV_DRV_PREVIOUS:
    case KIV_DRV_SKIP:
    case KIV_DRV_POSITIONFILE:
    case KIV_DRV_RESETFILE:
    case KIV_DRV_REGETFILE:
    case KIV_DRV_GETPTR:
    case KIV_DRV_RECORDSFILE:
    case KIV_DRV_DELETE:
    case KIV_DRV_PUT:
    case KIV_DRV_HOLD:
    case KIV_DRV_HOLDSECS:
    case KIV_DRV_RELEASE:
    case KIV_DRV_WATCH:
    case KIV_DRV_SETPROPERTY:
      return true;
    default:
      return false;
  }
}

struct Outcome {
  int32_t error = 0;
  int32_t result = 0;
  std::string text;  // pushed by POSITION
};

Outcome run(int32_t op, KivView* view, Engine*& e, intptr_t* args, const std::string& str1,
            const std::string& str2) {
  Outcome o;
  switch (op) {
    case KIV_DRV_OPEN:
      o.error = openView(view, e);
      break;
    case KIV_DRV_CLOSE:
      break;  // freed by the caller after the state update
    case KIV_DRV_VIEWSETORDER:
      setByOrderValues(*e, static_cast<int32_t>(args[0]));
      break;
    case KIV_DRV_NEXT:
      o.error = readView(*e, 1);
      break;
    case KIV_DRV_PREVIOUS:
      o.error = readView(*e, -1);
      break;
    case KIV_DRV_SKIP:
      o.error = skipView(*e, static_cast<int32_t>(args[0]));
      break;
    case KIV_DRV_POSITIONFILE:
      o.text = e->buffered && e->stage.collected() ? e->stage.position(o.error)
                                                   : e->pipeline->position(o.error);
      break;
    case KIV_DRV_RESETFILE:
      o.error = resetView(*e, str1);
      break;
    case KIV_DRV_REGETFILE:
      if (e->rebuild) o.error = build(*e);
      if (!o.error) o.error = e->pipeline->reget(str1);
      break;
    case KIV_DRV_GETPTR:
      o.error = callTable(e->primary, KIV_DRV_GETPTR, {args[0]});
      break;
    case KIV_DRV_RECORDSFILE:
      o.error = e->pipeline->readers[0]->records(o.result);
      break;
    case KIV_DRV_DELETE:
    case KIV_DRV_PUT:
    case KIV_DRV_HOLD:
    case KIV_DRV_HOLDSECS:
    case KIV_DRV_RELEASE:
    case KIV_DRV_WATCH:
      if (e->structure->builtAtRuntime()) {
        o.error = 80;
        break;
      }
      Kiv$clearerror();
      o.result = kiv::data::dispatch(e->primary, op, {args[0], args[1], args[2], args[3]});
      o.error = Kiv$ERRCODE;
      break;
    case KIV_DRV_SETPROPERTY:
      o.error = setProperty(view, e, str1, str2);
      break;
    default:
      o.error = 80;
      break;
  }
  return o;
}

}  // namespace
}  // namespace kiv::data::view

using namespace kiv::data::view;

extern "C" int32_t VIEWDRIVER(int32_t op, KivTable* table, intptr_t* args) {
  if (op == KIV_DRV_GETVIEWDRIVER || !table) return 0;
  auto* view = reinterpret_cast<KivView*>(table);
  intptr_t none[4] = {};
  if (!args) args = none;
  KivTable* primary = primaryOf(view);
  auto* e = static_cast<Engine*>(view->engine);

  // A native view driver of the primary table's driver, when there is one, runs the view.
  if (!e && primary && primary->driver) {
    intptr_t answer[4] = {};
    KivDriverEntry native = nullptr;
    if (primary->driver(KIV_DRV_GETVIEWDRIVER, nullptr, answer) != 0)
      native = reinterpret_cast<KivDriverEntry>(answer[0]);
    if (native && native != &VIEWDRIVER) {
      view->driver = native;
      return native(op, table, args);
    }
  }

  Kiv$clearerror();
  std::string str1, str2;
  const int strings = Kiv$drvStringArgs(op);
  if (strings == 2) str2 = kiv::core::popText();
  if (strings >= 1) str1 = kiv::core::popText();

  uint32_t closedState = 0, closedPending = 0;
  uint32_t* state = e ? &e->state : &closedState;
  uint32_t* pending = e ? &e->pending : &closedPending;
  int32_t err = 0;
  Outcome o;
  if (!answered(op)) {
    err = 80;
  } else {
    // A SET of the primary table that the view has not used yet positions the view.
    if (e && (op == KIV_DRV_NEXT || op == KIV_DRV_PREVIOUS || op == KIV_DRV_SKIP) &&
        !e->props.orderSet) {
      KivDrvFileHead* h = headOf(e->primary);
      if (h && (h->state & KIV_STATE_SETBYSET)) {
        _drv_update_any_state(nullptr, state, pending, KIV_DRV_SETKEY, 0);
        e->hasStart = false;
        e->startImage.clear();
        e->rebuild = true;
        err = build(*e);
        e->next = Start::Continue;
      }
    }
    if (!err)
      err = _drv_check_any_state(nullptr, *state, pending, op, str1.data(),
                                 static_cast<uint32_t>(str1.size()));
    if (!err) {
      o = run(op, view, e, args, str1, str2);
      err = o.error;
      if (op == KIV_DRV_OPEN && !err) {
        view->engine = e;
        state = &e->state;
        pending = &e->pending;
      }
    }
    if (e && (op == KIV_DRV_NEXT || op == KIV_DRV_PREVIOUS || op == KIV_DRV_SKIP))
      forgetPrimarySet(*e);
  }
  if (Kiv$drvPushesAnswer(op))
    kiv::core::pushCopy(err ? std::string_view() : std::string_view(o.text));
  _drv_update_any_state(nullptr, state, pending, op, err);
  if (op == KIV_DRV_CLOSE && !err) {
    delete e;
    view->engine = nullptr;
    view->driver = &VIEWDRIVER;
    gClosedProperties.erase(view);
  }
  // The view reports its own outcome; a table's driver detail (error 90) stays as it was set.
  if (err == 0) {
    Kiv$clearerror();
  } else {
    if (Kiv$ERRCODE != err) {
      Kiv$clearerror();
      Kiv$seterror(err);
    }
    Kiv$SetErrorFile(primary);
  }
  return o.result;
}
