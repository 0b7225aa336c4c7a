// The file entry points: each turns its call into one numbered driver operation.
#include "runtime/data/dispatch.h"

#include <string_view>

#include "include/kvrun32.h"
#include "runtime/core/runtime_state.h"

namespace kiv::data {
namespace {

constexpr size_t kMaxArgs = 4;

std::string_view tableName(void* fileRecord) {
  auto* table = static_cast<const KivTable*>(fileRecord);
  if (!table || !table->name) return {};
  return {table->name, table->nameLen};
}

[[maybe_unused]] const bool gNamerInstalled = [] {
  kiv::core::setErrorFileNamer(&tableName);
  return true;
}();

}  // namespace

int32_t dispatch(KivTable* table, int32_t op, std::initializer_list<intptr_t> args) {
  intptr_t block[kMaxArgs] = {};
  size_t n = 0;
  for (intptr_t a : args)
    if (n < kMaxArgs) block[n++] = a;
  if (!table || !table->driver) {
    Kiv$clearerror();
    Kiv$seterror(80);
    if (table) Kiv$SetErrorFile(table);
    return 0;
  }
  int32_t result = table->driver(op, table, block);
  if (Kiv$ERRCODE != 0 && Kiv$GetErrorFile() == nullptr) Kiv$SetErrorFile(table);
  return result;
}

int32_t dispatchKey(KivKey* key, int32_t op, std::initializer_list<intptr_t> more) {
  intptr_t block[kMaxArgs] = {reinterpret_cast<intptr_t>(key)};
  size_t n = 1;
  for (intptr_t a : more)
    if (n < kMaxArgs) block[n++] = a;
  return dispatch(key ? key->table : nullptr, op, {block[0], block[1], block[2], block[3]});
}

}  // namespace kiv::data

using kiv::data::dispatch;
using kiv::data::dispatchKey;

namespace {
intptr_t ptr(const void* p) { return reinterpret_cast<intptr_t>(p); }
}  // namespace

extern "C" {

void Kiv$FILE_ADDf(KivTable* t) { dispatch(t, KIV_DRV_ADD); }
int32_t Kiv$FILE_BOF(KivTable* t) { return dispatch(t, KIV_DRV_BOF); }
void Kiv$FILE_BUILDf(KivTable* t) { dispatch(t, KIV_DRV_BUILDFILE); }
void Kiv$FILE_APPENDf(KivTable* t) { dispatch(t, KIV_DRV_APPEND); }
void Kiv$FILE_BUILDks(KivKey* k) { dispatchKey(k, KIV_DRV_BUILDDYN); }
void Kiv$FILE_BUILDk(KivKey* k) { dispatchKey(k, KIV_DRV_BUILDKEY); }
void Kiv$FILE_CLOSE(KivTable* t) { dispatch(t, KIV_DRV_CLOSE); }
void Kiv$FILE_COPY(KivTable* t) { dispatch(t, KIV_DRV_COPY); }
void Kiv$FILE_CREATE(KivTable* t) { dispatch(t, KIV_DRV_CREATE); }
void Kiv$FILE_DELETE(KivTable* t) { dispatch(t, KIV_DRV_DELETE); }
int32_t Kiv$FILE_DUPLICATEf(KivTable* t) { return dispatch(t, KIV_DRV_DUPLICATEFILE); }
void Kiv$FILE_EMPTY(KivTable* t) { dispatch(t, KIV_DRV_EMPTY); }
int32_t Kiv$FILE_CEOF(KivTable* t) { return dispatch(t, KIV_DRV_EOF); }
void Kiv$FILE_GETfk(KivTable* t, KivKey* k) { dispatch(t, KIV_DRV_GETKEY, {ptr(k)}); }
void Kiv$FILE_GETfl(KivTable* t, int32_t p) { dispatch(t, KIV_DRV_GETPTR, {p}); }
void Kiv$FILE_GETkl(KivKey* k, int32_t p) { dispatchKey(k, KIV_DRV_GETKEYPTR, {p}); }
void Kiv$FILE_HOLDf(KivTable* t) { dispatch(t, KIV_DRV_HOLD); }
void Kiv$FILE_HOLDfi(KivTable* t, int32_t s) { dispatch(t, KIV_DRV_HOLDSECS, {s}); }
void Kiv$FILE_LOCKf(KivTable* t) { dispatch(t, KIV_DRV_LOCK); }
void Kiv$FILE_LOCKfi(KivTable* t, int32_t s) { dispatch(t, KIV_DRV_LOCKSECS, {s}); }
void Kiv$FILE_NAME(KivTable* t) { dispatch(t, KIV_DRV_NAME); }
void Kiv$FILE_NEXT(KivTable* t) { dispatch(t, KIV_DRV_NEXT); }
void Kiv$FILE_OPEN(KivTable* t, int32_t mode) { dispatch(t, KIV_DRV_OPEN, {mode}); }
void Kiv$FILE_PACK(KivTable* t) { dispatch(t, KIV_DRV_PACK); }
int32_t Kiv$FILE_POINTERf(KivTable* t) { return dispatch(t, KIV_DRV_POINTERFILE); }
int32_t Kiv$FILE_POINTERk(KivKey* k) { return dispatchKey(k, KIV_DRV_POINTERKEY); }
void Kiv$FILE_FLUSH(KivTable* t) { dispatch(t, KIV_DRV_FLUSH); }
void Kiv$FILE_PUTf(KivTable* t) { dispatch(t, KIV_DRV_PUT); }
void Kiv$FILE_PREV(KivTable* t) { dispatch(t, KIV_DRV_PREVIOUS); }
int32_t Kiv$FILE_RECORDSf(KivTable* t) { return dispatch(t, KIV_DRV_RECORDSFILE); }
int32_t Kiv$FILE_RECORDSk(KivKey* k) { return dispatchKey(k, KIV_DRV_RECORDSKEY); }
void Kiv$FILE_BUILDksf(KivKey* k) { dispatchKey(k, KIV_DRV_BUILDDYNFILTER); }
void Kiv$FILE_RELEASE(KivTable* t) { dispatch(t, KIV_DRV_RELEASE); }
void Kiv$FILE_REMOVE(KivTable* t) { dispatch(t, KIV_DRV_REMOVE); }
void Kiv$FILE_RENAME(KivTable* t) { dispatch(t, KIV_DRV_RENAME); }
void Kiv$FILE_SETf(KivTable* t) { dispatch(t, KIV_DRV_SETFILE); }
void Kiv$FILE_SETfk(KivTable* t, KivKey* k) { dispatch(t, KIV_DRV_SETFILEKEY, {ptr(k)}); }
void Kiv$FILE_SETfl(KivTable* t, int32_t p) { dispatch(t, KIV_DRV_SETFILEPTR, {p}); }
void Kiv$FILE_SETk(KivKey* k) { dispatchKey(k, KIV_DRV_SETKEY); }
void Kiv$FILE_SETkk(KivKey* k, KivKey* same) { dispatchKey(k, KIV_DRV_SETKEYKEY, {ptr(same)}); }
void Kiv$FILE_SETkl(KivKey* k, int32_t p) { dispatchKey(k, KIV_DRV_SETKEYPTR, {p}); }
void Kiv$FILE_SETkkl(KivKey* k, int32_t p) { dispatchKey(k, KIV_DRV_SETKEYKEYPTR, {p}); }
void Kiv$FILE_SHARE(KivTable* t, int32_t mode) { dispatch(t, KIV_DRV_SHARE, {mode}); }
void Kiv$FILE_SKIP(KivTable* t, int32_t n) { dispatch(t, KIV_DRV_SKIP, {n}); }
void Kiv$FILE_UNLOCK(KivTable* t) { dispatch(t, KIV_DRV_UNLOCK); }
void Kiv$FILE_ADDfu(KivTable* t, int32_t len) { dispatch(t, KIV_DRV_ADDLEN, {len}); }
int32_t Kiv$FILE_BYTES(KivTable* t) { return dispatch(t, KIV_DRV_BYTES); }
void Kiv$FILE_GETflu(KivTable* t, int32_t p, int32_t len) {
  dispatch(t, KIV_DRV_GETPTRLEN, {p, len});
}
void Kiv$FILE_PUTfl(KivTable* t, int32_t p) { dispatch(t, KIV_DRV_PUTPTR, {p}); }
void Kiv$FILE_PUTflu(KivTable* t, int32_t p, int32_t len) {
  dispatch(t, KIV_DRV_PUTPTRLEN, {p, len});
}
void Kiv$FILE_STREAM(KivTable* t) { dispatch(t, KIV_DRV_STREAM); }
int32_t Kiv$FILE_DUPLICATEk(KivKey* k) { return dispatchKey(k, KIV_DRV_DUPLICATEKEY); }
void Kiv$FILE_WATCH(KivTable* t) { dispatch(t, KIV_DRV_WATCH); }
void Kiv$FILE_APPENDfu(KivTable* t, int32_t len) { dispatch(t, KIV_DRV_APPENDLEN, {len}); }
void Kiv$FILE_SEND(KivTable* t) { dispatch(t, KIV_DRV_SEND); }
void Kiv$FILE_POSITIONf(KivTable* t) { dispatch(t, KIV_DRV_POSITIONFILE); }
void Kiv$FILE_POSITIONk(KivKey* k) { dispatchKey(k, KIV_DRV_POSITIONKEY); }
void Kiv$FILE_RESETf(KivTable* t) { dispatch(t, KIV_DRV_RESETFILE); }
void Kiv$FILE_RESETk(KivKey* k) { dispatchKey(k, KIV_DRV_RESETKEY); }
void Kiv$FILE_NOMEMO(KivTable* t) { dispatch(t, KIV_DRV_NOMEMO); }
void Kiv$FILE_REGETf(KivTable* t) { dispatch(t, KIV_DRV_REGETFILE); }
void Kiv$FILE_REGETk(KivKey* k) { dispatchKey(k, KIV_DRV_REGETKEY); }
int32_t Kiv$FILE_NULL(KivTable* t, void* field) { return dispatch(t, KIV_DRV_NULL, {ptr(field)}); }
void Kiv$FILE_SETNULL(KivTable* t, void* field) { dispatch(t, KIV_DRV_SETNULL, {ptr(field)}); }
void Kiv$FILE_SETNONULL(KivTable* t, void* field) { dispatch(t, KIV_DRV_SETNONULL, {ptr(field)}); }
void Kiv$FILE_SET_PROPERTY(KivTable* t, int32_t e) { dispatch(t, KIV_DRV_SETPROPERTY, {e}); }
void Kiv$FILE_GET_PROPERTY(KivTable* t, int32_t e) { dispatch(t, KIV_DRV_GETPROPERTY, {e}); }
void Kiv$BLOB_YIELD(KivTable* t, int16_t b, intptr_t p1, intptr_t p2) {
  dispatch(t, KIV_DRV_BLOBYIELD, {b, p1, p2});
}
void Kiv$BLOB_TAKE(KivTable* t, int16_t b, intptr_t p1, intptr_t p2) {
  dispatch(t, KIV_DRV_BLOBTAKE, {b, p1, p2});
}
int32_t Kiv$BLOB_SIZE(KivTable* t, int16_t b) { return dispatch(t, KIV_DRV_BLOBSIZE, {b}); }
void Kiv$BLOB_SET_PROPERTY(KivTable* t, int16_t b) { dispatch(t, KIV_DRV_BLOBSETPROPERTY, {b}); }
void Kiv$BLOB_GET_PROPERTY(KivTable* t, int16_t b) { dispatch(t, KIV_DRV_BLOBGETPROPERTY, {b}); }
void Kiv$FILE_BUFFER(KivTable* t, int32_t n) { dispatch(t, KIV_DRV_BUFFER, {n}); }
void Kiv$VIEW_SETvl(KivTable* v, int32_t n) { dispatch(v, KIV_DRV_VIEWSETORDER, {n}); }

}  // extern "C"
