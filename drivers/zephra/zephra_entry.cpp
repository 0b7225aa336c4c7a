// Entry of the keyed-table driver: every table operation of a ZEPHRA table arrives here, is
// checked against the operation state table, runs, and leaves its outcome in the state words
// and the error state.
#include <algorithm>
#include <cctype>
#include <map>
#include <string>

#include "drivers/zephra/zephra_table.h"
#include "runtime/core/string_stack.h"

namespace kiv::zephra {
namespace {

std::map<const KivTable*, int> gRecoverWaitMs;

ZephraTable* openOf(KivTable* table) { return static_cast<ZephraTable*>(table->openFile); }

KeyState* keyOf(ZephraTable* t, KivTable* table, intptr_t arg) {
  auto* key = reinterpret_cast<KivKey*>(arg);
  if (!t || !key) return nullptr;
  for (auto& k : t->keys)
    if (k->desc == key) return k.get();
  (void)table;
  return nullptr;
}

bool takesKey(int32_t op) {
  switch (op) {
    case KIV_DRV_BUILDDYN:
    case KIV_DRV_BUILDKEY:
    case KIV_DRV_GETKEY:
    case KIV_DRV_GETKEYPTR:
    case KIV_DRV_POINTERKEY:
    case KIV_DRV_RECORDSKEY:
    case KIV_DRV_BUILDDYNFILTER:
    case KIV_DRV_SETFILEKEY:
    case KIV_DRV_SETKEY:
    case KIV_DRV_SETKEYKEY:
    case KIV_DRV_SETKEYPTR:
    case KIV_DRV_SETKEYKEYPTR:
    case KIV_DRV_DUPLICATEKEY:
    case KIV_DRV_POSITIONKEY:
    case KIV_DRV_RESETKEY:
    case KIV_DRV_REGETKEY:
      return true;
    default:
      return false;
  }
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string trim(std::string s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  return s.substr(i);
}

// SEND: "QUICKSCAN=on|off" switches reading ahead; "Recover=n" lets the next OPEN wait up to n
// seconds for a lock left behind to go. The answer is the setting now in force.
std::string send(KivTable* table, ZephraTable* t, const std::string& command) {
  std::string text = trim(command);
  size_t eq = text.find('=');
  std::string name = lower(trim(text.substr(0, eq)));
  std::string value = eq == std::string::npos ? "" : trim(text.substr(eq + 1));
  if (name == "quickscan") {
    if (t && !value.empty()) {
      t->quickScan = lower(value) == "on";
      t->dropBatch();
    }
    return t && t->quickScan ? "on" : "off";
  }
  if (name == "recover") {
    if (!value.empty()) gRecoverWaitMs[table] = std::max(0, std::atoi(value.c_str())) * 1000;
    return std::to_string(recoverWaitMs(table) / 1000);
  }
  return "";
}

int32_t openOp(KivTable* table, int32_t mode) {
  if (mode == 0) mode = 0x22;
  ZephraTable* t = nullptr;
  int32_t err = openTable(table, mode, false, &t);
  gRecoverWaitMs.erase(table);
  if (err) return err;
  table->openFile = t;
  Kiv$activate_drv(table, mode, 1, 1, 0, 0, 1);
  t->registered = true;
  return 0;
}

int32_t closeOp(KivTable* table) {
  ZephraTable* t = openOf(table);
  table->openFile = nullptr;
  if (t && t->registered) Kiv$deactivate_drv(table);
  return closeTable(t);
}

// BUILD of a table that is not open opens it for itself, denying others writing.
int32_t buildClosed(KivTable* table) {
  ZephraTable* t = nullptr;
  int32_t err = openTable(table, 0x12, true, &t);
  if (err) return err;
  err = buildKeys(*t);
  closeTable(t);
  return err;
}

struct Outcome {
  int32_t error = 0;
  int32_t result = 0;
  std::string text;  // the answer of an operation that leaves one on the string stack
};

Outcome run(int32_t op, KivTable* table, ZephraTable* t, KeyState* k, intptr_t* args,
            const std::string& str1, const std::string& str2) {
  Outcome o;
  auto length = [&](int i) { return static_cast<uint32_t>(std::max<intptr_t>(0, args[i])); };
  switch (op) {
    case KIV_DRV_OPEN:
    case KIV_DRV_SHARE:
      o.error = openOp(table, static_cast<int32_t>(args[0]));
      break;
    case KIV_DRV_CLOSE:
      o.error = closeOp(table);
      break;
    case KIV_DRV_CREATE:
      o.error = createTable(table);
      break;
    case KIV_DRV_REMOVE:
      o.error = removeTable(table);
      break;
    case KIV_DRV_ADD:
      o.error = addRecord(*t, t->table->recordLength, true);
      break;
    case KIV_DRV_ADDLEN:
      o.error = addRecord(*t, length(0), true);
      break;
    case KIV_DRV_APPEND:
      o.error = addRecord(*t, t->table->recordLength, false);
      break;
    case KIV_DRV_APPENDLEN:
      o.error = addRecord(*t, length(0), false);
      break;
    case KIV_DRV_PUT:
      o.error = putRecord(*t, t->currentId, t->table->recordLength);
      break;
    case KIV_DRV_PUTPTR:
      o.error = putRecord(*t, args[0], t->table->recordLength);
      break;
    case KIV_DRV_PUTPTRLEN:
      o.error = putRecord(*t, args[0], length(1));
      break;
    case KIV_DRV_DELETE:
      o.error = deleteRecord(*t);
      break;
    case KIV_DRV_GETKEY:
      o.error = getByKey(*t, *k);
      break;
    case KIV_DRV_GETPTR:
      o.error = getByPointer(*t, args[0], t->table->recordLength);
      break;
    case KIV_DRV_GETKEYPTR:
      o.error = getByPointer(*t, args[1], t->table->recordLength);
      break;
    case KIV_DRV_GETPTRLEN:
      o.error = getByPointer(*t, args[0], length(1));
      break;
    case KIV_DRV_SETFILE:
    case KIV_DRV_SETFILEKEY:
    case KIV_DRV_SETKEY:
    case KIV_DRV_SETKEYKEY:
      o.error = setSequence(*t, op, k, 0);
      break;
    case KIV_DRV_SETFILEPTR:
      o.error = setSequence(*t, op, nullptr, args[0]);
      break;
    case KIV_DRV_SETKEYPTR:
    case KIV_DRV_SETKEYKEYPTR:
      o.error = setSequence(*t, op, k, args[1]);
      break;
    case KIV_DRV_NEXT:
      o.error = readNext(*t, 1);
      break;
    case KIV_DRV_PREVIOUS:
      o.error = readNext(*t, -1);
      break;
    case KIV_DRV_SKIP:
      o.error = skipRecords(*t, static_cast<int32_t>(args[0]));
      break;
    case KIV_DRV_RECORDSFILE:
      o.error = countRecords(*t, nullptr, o.result);
      break;
    case KIV_DRV_RECORDSKEY:
      o.error = countRecords(*t, k, o.result);
      break;
    case KIV_DRV_POINTERFILE:
    case KIV_DRV_POINTERKEY:
      o.result = static_cast<int32_t>(t->currentId);
      break;
    case KIV_DRV_BYTES:
      o.result = t->lastBytes;
      break;
    case KIV_DRV_POSITIONFILE:
    case KIV_DRV_POSITIONKEY:
      if (k && !keyUsable(*t, *k)) {
        o.error = 46;
        break;
      }
      o.text = position(*t, k);
      break;
    case KIV_DRV_RESETFILE:
    case KIV_DRV_RESETKEY:
      o.error = resetTo(*t, k, str1);
      break;
    case KIV_DRV_REGETFILE:
    case KIV_DRV_REGETKEY:
      o.error = regetAt(*t, k, str1);
      break;
    case KIV_DRV_WATCH:
      t->watchNext = true;
      break;
    case KIV_DRV_DUPLICATEKEY:
      o.error = duplicateOf(*t, k, o.result);
      break;
    case KIV_DRV_DUPLICATEFILE:
      o.error = duplicateOf(*t, nullptr, o.result);
      break;
    case KIV_DRV_STREAM:
      // A batch of writes keeps more pages in memory until FLUSH.
      t->stream = true;
      exec(*t->session, "PRAGMA " + t->schema + ".cache_size=" + std::to_string(kStreamCacheKb));
      break;
    case KIV_DRV_FLUSH:
      t->stream = false;
      exec(*t->session, "PRAGMA " + t->schema + ".cache_size=" + std::to_string(kNormalCacheKb));
      if (!t->session->logout) o.error = commitSession(*t->session);
      break;
    case KIV_DRV_BUILDFILE:
      o.error = buildKeys(*t);
      break;
    case KIV_DRV_BUILDKEY:
      o.error = k->dynamic ? (k->valid ? buildIndex(*t, *k, "", true) : 46) : buildKeys(*t);
      break;
    case KIV_DRV_BUILDDYN:
      o.error = k->dynamic ? buildIndex(*t, *k, str1, false) : 76;
      break;
    case KIV_DRV_EMPTY:
      o.error = emptyTable(*t);
      break;
    case KIV_DRV_SEND:
      o.text = send(table, t, str1);
      break;
    case KIV_DRV_NAME:
      o.text = tableFileName(*table);
      break;
    case KIV_DRV_LOGOUT:
      o.error = joinTransaction(*t);
      break;
    case KIV_DRV_COMMIT:
      o.error = leaveTransaction(*t, true);
      break;
    case KIV_DRV_ROLLBACK:
      o.error = leaveTransaction(*t, false);
      break;
    case KIV_DRV_CURRENTKEY:
      o.result = t->lastSetKey;
      break;
    case KIV_DRV_NOMEMO:
    case KIV_DRV_NOOP35:
    case KIV_DRV_NOOP39:
      break;
    default:  // GETPROPERTY and BLOBGETPROPERTY among them: an empty answer
      o.error = 80;
      break;
  }
  (void)str2;
  return o;
}

}  // namespace

int recoverWaitMs(const KivTable* table) {
  auto it = gRecoverWaitMs.find(table);
  return it == gRecoverWaitMs.end() ? 0 : it->second;
}

}  // namespace kiv::zephra

using namespace kiv::zephra;

extern "C" __attribute__((visibility("default"))) int32_t ZEPHRA(int32_t op, KivTable* table,
                                                                 intptr_t* args) {
  if (op == KIV_DRV_GETVIEWDRIVER || !table) return 0;
  Kiv$clearerror();
  intptr_t none[4] = {};
  if (!args) args = none;

  // String arguments come off the string stack first, the last pushed first.
  std::string str1, str2;
  const int strings = Kiv$drvStringArgs(op);
  if (strings == 2) str2 = kiv::core::popText();
  if (strings >= 1) str1 = kiv::core::popText();

  ZephraTable* t = openOf(table);
  KeyState* k = nullptr;
  int32_t err = 0;
  if (takesKey(op)) {
    k = keyOf(t, table, args[0]);
    if (t && !k) err = 77;  // the key is not one of the table's keys
  }
  void* keyObject = k && k->dynamic ? &k->head : nullptr;
  if (!err) {
    if (op == KIV_DRV_BUILDFILE && !t) {
      err = buildClosed(table);
      if (err) Kiv$seterror(err);
      return 0;
    }
    err = _drv_check_state(t, keyObject, op, str1.data(), static_cast<uint32_t>(str1.size()));
  }
  // Key entries that STREAM mode deferred go in before anything but a further add can see or
  // change the table (CLOSE puts them in itself, and closes whatever that gives).
  if (!err && t && t->pendingRecords && op != KIV_DRV_ADD && op != KIV_DRV_ADDLEN &&
      op != KIV_DRV_CLOSE)
    err = applyPending(*t);
  Outcome o;
  if (!err) o = run(op, table, t, k, args, str1, str2);
  if (!err) err = o.error;
  if (Kiv$drvPushesAnswer(op))
    kiv::core::pushCopy(err ? std::string_view() : std::string_view(o.text));
  _drv_update_state(openOf(table), keyObject, op, err);
  if (err) {
    Kiv$seterror(err);
  }
  return o.result;
}
