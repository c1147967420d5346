#!/usr/bin/env bash
# Checks the win32 build against the real HotSync manager and the oldest Windows it runs on:
#  1. each manager operation the conduit imports has the real calling convention and ordinal,
#     and the stand-in libraries export it the same way (a __stdcall name carries "@bytes");
#     the Conduit Manager and HSAPI export their __stdcall functions by plain name;
#  2. the shipped libraries import nothing that Windows XP SP3 lacks.
# Usage: check_win32_binaries.sh BUILD_DIR SOURCE_DIR NM OBJDUMP
set -uo pipefail
build=$1 source=$2 nm=$3 objdump=$4
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# library  ordinal  symbol as the manager's headers declare it (cdecl: plain; stdcall: @bytes)
contract="
SYNC20 22 SyncRegisterConduit
SYNC20 23 SyncUnRegisterConduit
SYNC20 26 SyncOpenDB
SYNC20 27 SyncCreateDB
SYNC20 28 SyncCloseDB
SYNC20 31 SyncFinishPassPurge
SYNC20 32 SyncWriteRec
SYNC20 33 SyncDeleteRec
SYNC20 35 SyncReadRecordById
SYNC20 36 SyncReadRecordByIndex
SYNC20 38 SyncReadDBAppInfoBlock
SYNC20 39 SyncWriteDBAppInfoBlock
SYNC20 40 SyncFinishPassClearFlags
SYNC20 - SyncGetDBRecordCount
SYNC20 - SyncPurgeAllRecsInCategory
SYNC20 - SyncChangeCategory
SYNC20 - SyncResetRecordIndex
SYNC20 - SyncReadNextRecInCategory
SYNC20 - SyncReadSysDateTime
SYNC20 - SyncReadAppPreference
SYNC20 - SyncWriteAppPreference
SYNC20 - SyncYieldCycles
HSLOG20 52 LogAddEntry
UserData 101 UmGetUserCount@0
UserData 102 UmGetUserId@8
UserData 103 UmGetUserName@12
UserData 104 UmGetUserDirectory@12
UserData 105 UmGetRootDirectory@8
UserData 146 UmGetUserIdFromPath@8
PalmCmn 2 PalmLoadLanguage@12
PalmCmn 3 PalmFreeLanguage@8
"

# 1a. The stand-ins: the .def names the symbol under its ordinal, the import library provides it.
while read -r lib ordinal symbol; do
  [ -n "$lib" ] || continue
  def="$source/hotsync/$lib.def"
  if [ "$ordinal" = "-" ]; then
    grep -Eq "^\s*$symbol(\s|$)" "$def" || fail "$lib.def does not export $symbol"
  else
    grep -Eq "^\s*$symbol\s+@$ordinal\s+NONAME" "$def" || fail "$lib.def does not export $symbol as ordinal $ordinal"
  fi
  exported=$("$nm" "$build/lib/lib$lib.dll.a" 2>/dev/null)
  grep -q " I __imp__$symbol\$" <<<"$exported" ||
    fail "the $lib import library lacks _$symbol (calling convention differs)"
done <<<"$contract"

# 1c. The Conduit Manager and HSAPI: installers look each function up by its plain name, and call
#     it as __stdcall: the .def maps the plain name to the "@bytes" symbol, which the objects define.
named="
CondMgr CmInstallCreator@8
CondMgr CmRemoveConduitByCreatorID@4
CondMgr CmSetCreatorName@8
CondMgr CmSetCreatorDirectory@8
CondMgr CmSetCreatorFile@8
CondMgr CmSetCreatorRemote@8
CondMgr CmSetCreatorTitle@8
CondMgr CmSetCreatorPriority@8
CondMgr CmGetCreatorName@12
CondMgr CmGetCreatorDirectory@12
CondMgr CmGetCreatorFile@12
CondMgr CmGetCreatorRemote@12
CondMgr CmGetCreatorTitle@12
CondMgr CmGetCreatorPriority@8
CondMgr CmGetCreatorType@4
CondMgr CmGetConduitCount@0
CondMgr CmGetConduitCreatorID@12
CondMgr CmGetCorePath@8
CondMgr CmGetHotSyncExecPath@8
HSAPI HsCheckApiStatus@0
HSAPI HsGetSyncStatus@4
HSAPI HsSetAppStatus@8
HSAPI HsRefreshConduitInfo@0
"
while read -r lib symbol; do
  [ -n "$lib" ] || continue
  plain=${symbol%@*}
  folder=${lib,,}
  grep -Eq "^\s*$plain\s*=\s*$symbol\s*$" "$source/hotsync/$folder/$lib.def" ||
    fail "$lib.def does not map $plain to $symbol"
  defined=$("$nm" "$build/hotsync/CMakeFiles/$lib.dir/$folder/$folder.cpp.obj" 2>/dev/null)
  grep -q " T _$symbol\$" <<<"$defined" || fail "$lib does not define _$symbol (not __stdcall with those arguments)"
  exports=$("$objdump" -p "$build/bin/$lib.dll")
  grep -Eq "^\s*\[\s*[0-9]+\] $plain\$" <<<"$exports" || fail "$lib.dll does not export $plain by name"
done <<<"$named"

# 1b. The conduit: every manager operation it calls is one of the contract's, decorated alike.
conduit_objects=()
for lib in "$build"/lib/libreelbox_*.a; do conduit_objects+=("$lib"); done
while IFS= read -r -d '' obj; do conduit_objects+=("$obj"); done \
  < <(find "$build/src/CMakeFiles/KVRTConduit.dir" -name '*.obj' -print0)
referenced=$("$nm" -u "${conduit_objects[@]}" 2>/dev/null | awk '{print $NF}' |
  grep -E '^_(Sync|Log|Um|Palm)[A-Za-z]' | sort -u)
[ -n "$referenced" ] || fail "found no manager operations referenced by the conduit"
for ref in $referenced; do
  grep -Eq " ${ref#_}\$" <<<"$contract" || fail "the conduit calls $ref, which is not the manager's form"
done

# 2. Nothing newer than Windows XP SP3 in what we ship.
newer='^(GetTickCount64|(Acquire|Release|TryAcquire|Initialize)SRWLock.*|InitializeConditionVariable|SleepConditionVariable.*|WakeConditionVariable|WakeAllConditionVariable|InitOnce.*|Fls(Alloc|Free|GetValue|SetValue)|GetFinalPathNameByHandle.*|CreateSymbolicLink.*|(GetDateFormat|GetTimeFormat|GetLocaleInfo|LCMapString|CompareString|GetNumberFormat|GetCurrencyFormat|EnumSystemLocales|GetUserDefaultLocaleName|GetSystemDefaultLocaleName|LocaleNameToLCID|LCIDToLocaleName|IsValidLocaleName|ResolveLocaleName)Ex|GetUserDefaultLocaleName|LocaleNameToLCID|LCIDToLocaleName|GetFileInformationByHandleEx|SetFileInformationByHandle|Create(Event|Mutex|Semaphore|WaitableTimer)Ex[AW]?|InitializeCriticalSectionEx|GetSystemTimePreciseAsFileTime|GetCurrentProcessorNumber.*|CancelIoEx|GetThreadId|GetProcessIdOfThread|QueryFullProcessImageName[AW]|SetThreadErrorMode|GetThreadErrorMode|GetErrorMode|RegGetValue[AW]|SHGetKnownFolderPath|SetDefaultDllDirectories|AddDllDirectory|GetTickCount64|K32.*)$'
for dll in KVRTConduit.dll KVRTConduitLANG.DLL CondMgr.dll HSAPI.dll ReelboxConduitSetup.exe; do
  path="$build/bin/$dll"
  [ -f "$path" ] || { fail "$dll was not built"; continue; }
  imports=$("$objdump" -p "$path" | awk '
    /DLL Name:/ { dll = $3; next }
    /^\tvma:/ { next }
    dll != "" && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $3 }
    /^$/ { }')
  while read -r from name; do
    [ -n "$name" ] || continue
    if grep -Eq "$newer" <<<"$name"; then fail "$dll imports $name from $from (not on Windows XP)"; fi
    # XP's msvcrt.dll has none of the bounds-checked *_s functions, the *_l locale variants, the
    # locale objects or the 64-bit file positions.
    if [[ "${from,,}" == msvcrt.dll ]] &&
       grep -Eq '_s$|^_.*_l$|^_(create|free|get_current)_locale$|^_(fseeki64|ftelli64)$|^_(set|get)_invalid_parameter_handler$' <<<"$name"; then
      fail "$dll imports $name from msvcrt.dll (not on Windows XP)"
    fi
  done <<<"$imports"
done

[ $failed -eq 0 ] && echo "win32 binaries match the manager's calling conventions and load on Windows XP"
exit $failed
