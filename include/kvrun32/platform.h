/* Platform calls for volumes, directory entries, file times and the current directory.

   Each function stands in for the Win32 kernel call of the same name, with the same meaning of
   arguments and results: ANSI (byte) text, 32-bit values where the Win32 signature has them, a
   BOOL as int32_t (nonzero = success). A failing call records its reason as the platform's last
   error (GetLastError; the runtime reports it as error 300 + n).

   Paths. A path is "X:\DIR\NAME" with a drive letter and backslashes ("/" is accepted as well);
   "\DIR" is on the current drive, and a path without a drive or a leading backslash is relative
   to the current directory. "." and ".." are resolved in the text and never climb above the
   drive's root. The drive map gives each letter a host folder: C: is "/", the other mounted
   volumes follow in mount-table order (D:, E: ...), and section [Drives] of WIN.INI in the
   platform's Windows directory ($XDG_CONFIG_HOME/kvrun32, default ~/.config/kvrun32) pins or adds
   letters:
       [Drives]
       E=/media/usb
       T=/srv/archive
       T.Label=ARCHIVE        (optional: the label and serial number the drive reports)
       T.Serial=1234-ABCD
   Letters compare without regard to case and so do names in paths: a name that is not found as
   written is looked up case-blind in its folder (when two names differ only in case, the first in
   byte order is taken). File names are bytes; UTF-8 passes through unchanged. */
#ifndef KVRUN32_PLATFORM_H
#define KVRUN32_PLATFORM_H

#include "types.h"

KIV_EXTERN_C_BEGIN

/* Drive types (GetDriveTypeA). */
enum {
  KIV_DRIVE_UNKNOWN = 0,
  KIV_DRIVE_NO_ROOT_DIR = 1, /* letter not mapped, or its folder is missing */
  KIV_DRIVE_REMOVABLE = 2,   /* block device whose removable flag is set */
  KIV_DRIVE_FIXED = 3,
  KIV_DRIVE_REMOTE = 4, /* nfs, cifs, smb3, sshfs, 9p */
  KIV_DRIVE_CDROM = 5,  /* iso9660, udf */
  KIV_DRIVE_RAMDISK = 6 /* tmpfs, ramfs */
};

/* Error modes (SetErrorMode); kept, nothing to suppress on this platform. */
enum { KIV_SEM_FAILCRITICALERRORS = 1, KIV_SEM_NOOPENFILEERRORBOX = 0x8000 };

/* File attributes of directory entries. */
enum {
  KIV_ATTR_READONLY = 0x01,  /* the owner may not write */
  KIV_ATTR_HIDDEN = 0x02,    /* the name begins with "." */
  KIV_ATTR_SYSTEM = 0x04,    /* device, pipe or socket */
  KIV_ATTR_DIRECTORY = 0x10, /* a real directory (never a symbolic link) */
  KIV_ATTR_ARCHIVE = 0x20,   /* a regular file */
  KIV_ATTR_REPARSE = 0x400   /* a symbolic link */
};

/* Volume flags (GetVolumeInformationA). */
enum {
  KIV_FS_CASE_SENSITIVE = 0x01,
  KIV_FS_CASE_PRESERVED = 0x02,
  KIV_FS_UNICODE_ON_DISK = 0x04,
  KIV_FS_READ_ONLY_VOLUME = 0x80000
};

/* A file time: 100-nanosecond units since 1 January 1601 (UTC, or local after
   FileTimeToLocalFileTime). 0 = not known. */
typedef uint64_t KivFileTime;

/* One directory entry (FindFirstFileA, FindNextFileA). */
typedef struct KivFindData {
  uint32_t attributes;      /* KIV_ATTR_* */
  KivFileTime creationTime; /* birth time where the file system keeps it, else 0 */
  KivFileTime accessTime;   /* last access */
  KivFileTime writeTime;    /* last modification */
  uint32_t sizeHigh;        /* size in bytes, high 32 bits (0 for directories) */
  uint32_t sizeLow;         /* size in bytes, low 32 bits */
  char name[260];           /* the name, NUL-terminated */
  char alternateName[14];   /* the 8.3 name, or "" when the name is a valid 8.3 name */
} KivFindData;

/* Calendar fields of a file time (FileTimeToSystemTime). */
typedef struct KivSystemTime {
  uint16_t year;         /* 1601 .. 30827 */
  uint16_t month;        /* 1 .. 12 */
  uint16_t dayOfWeek;    /* 0 Sunday .. 6 Saturday */
  uint16_t day;          /* 1 .. 31 */
  uint16_t hour;         /* 0 .. 23 */
  uint16_t minute;       /* 0 .. 59 */
  uint16_t second;       /* 0 .. 59 */
  uint16_t milliseconds; /* 0 .. 999 */
} KivSystemTime;

/* An open directory search; KIV_INVALID_HANDLE when FindFirstFileA fails. */
typedef void* KivFindHandle;
#define KIV_INVALID_HANDLE ((KivFindHandle)(intptr_t)-1)

/* The platform's last error of the calling thread, and setting it. */
uint32_t GetLastError(void);
void SetLastError(uint32_t error);

/* The type of the drive of `root` ("X:\"; NULL = the current drive): KIV_DRIVE_*. */
uint32_t GetDriveTypeA(const char* root);

/* Sets the process's error mode; gives the previous one. */
uint32_t SetErrorMode(uint32_t mode);

/* Free and total space of the volume of `root` (NULL = the current drive). The four values
   multiply back to the byte counts (as far as the cluster counts fit 32 bits; the free count is
   what the caller may use). Any output may be NULL. */
int32_t GetDiskFreeSpaceA(const char* root, uint32_t* sectorsPerCluster, uint32_t* bytesPerSector,
                          uint32_t* freeClusters, uint32_t* totalClusters);

/* Free and total space of the volume of `root` (NULL = the current drive) in bytes, 64 bits wide:
   the bytes the caller may still write, the volume's size, and the bytes free altogether (some
   file systems keep part of the free space for the system). Any output may be NULL. */
int32_t GetDiskFreeSpaceExA(const char* root, uint64_t* freeBytesAvailable, uint64_t* totalBytes,
                            uint64_t* totalFreeBytes);

/* Label, serial number, longest name, flags (KIV_FS_*) and file-system name of the volume of
   `root`. A volume without a label gives "", without a serial number 0. Texts longer than their
   buffer are cut (at a character boundary) to size - 1 bytes. Any output may be NULL/0. */
int32_t GetVolumeInformationA(const char* root, char* label, uint32_t labelSize, uint32_t* serial,
                              uint32_t* maxComponentLength, uint32_t* flags, char* fsName,
                              uint32_t fsNameSize);

/* Changes the label of the volume of `root` (NULL or "" label = remove it). A drive pinned with a
   label of its own changes that label (for the rest of the process). Any other volume keeps the
   new label on this host, in section [Volume Labels] of WIN.INI against the volume's identity
   (its identifier when the drive is a whole volume that has one, else its host folder), and
   reports it as its label from then on; the file system itself is not written. Fails (with the
   platform error) only when the settings file cannot be written. */
int32_t SetVolumeLabelA(const char* root, const char* label);

/* Drive letters a program maps for itself. DefineDosDeviceA(0, "T:", "/host/folder") makes T:
   stand for the folder for the rest of the process (over any mapping the letter had);
   KIV_DDD_REMOVE_DEFINITION gives the letter back to the drive map. QueryDosDeviceA("T:")
   writes the host folder a letter stands for, followed by a second NUL, and gives the characters
   written including both NULs; 0 with error 2 for a letter that stands for nothing, 122 when the
   buffer is too small. */
enum { KIV_DDD_REMOVE_DEFINITION = 2 };
int32_t DefineDosDeviceA(uint32_t flags, const char* deviceName, const char* targetPath);
uint32_t QueryDosDeviceA(const char* deviceName, char* targetPath, uint32_t max);

/* Directory search: `pattern` is a folder path and a last part with "*" and "?" wild cards
   ("X:\DIR\*.*"; "*.*" matches every name), matched case-blind. Entries come in the order the
   file system lists them, "." and ".." first in a folder below the drive's root. A symbolic link
   is never followed into a directory: a link to a regular file gives the file's data, any other
   link is an entry of its own (KIV_ATTR_REPARSE, never KIV_ATTR_DIRECTORY). A mount point inside
   the folder belongs to another volume and is left out. Errors: 2 when nothing matches, 3 for a
   missing folder, 5 for a folder that cannot be read; 18 at the end of FindNextFileA. */
KivFindHandle FindFirstFileA(const char* pattern, KivFindData* data);
int32_t FindNextFileA(KivFindHandle search, KivFindData* data);
int32_t FindClose(KivFindHandle search);

/* UTC to local time, with the offset in effect at that instant in the local time zone. */
int32_t FileTimeToLocalFileTime(const KivFileTime* fileTime, KivFileTime* localFileTime);

/* A file time to calendar fields; fails (87) at 0x8000000000000000 and above. */
int32_t FileTimeToSystemTime(const KivFileTime* fileTime, KivSystemTime* systemTime);

/* The current directory. The runtime's PATH and SETPATH are meant to use these two calls: a
   directory is entered and reported as a drive path, so "C:\" and the upper-case paths of a catalog
   work.

   The current directory as a drive path ("X:\DIR"; the root as "X:\"). Gives the length stored
   (without the NUL), or, when the buffer is too small, the size needed including the NUL;
   0 on failure. */
uint32_t GetCurrentDirectoryA(uint32_t bufferSize, char* buffer);

/* Changes the current directory (of the process) to a drive path or a relative path. */
int32_t SetCurrentDirectoryA(const char* path);

/* Windows shell: a frame's window procedure, the notification-area (tray) icon, showing and
   raising windows. A window handle is what property 31894 gives for a window.

   Window messages reach a window's procedure on the thread that owns the window, holding the
   runtime lock, while that thread waits for its next event (inside the event loop or YIELD):
     KIV_WM_QUERYENDSESSION, KIV_WM_ENDSESSION  the desktop session ends (also on SIGTERM or SIGHUP)
     a notification icon's callback message     wparam the icon's identifier, lparam the mouse
                                                message (KIV_WM_LBUTTONUP, ...)
   The procedure a window starts with answers 1 to KIV_WM_QUERYENDSESSION, posts EVENT:CloseDown
   to the window on KIV_WM_ENDSESSION and gives 0 for everything else. */
enum {
  KIV_WM_QUERYENDSESSION = 0x11,
  KIV_WM_ENDSESSION = 0x16,
  KIV_WM_LBUTTONUP = 0x202,     /* 514 */
  KIV_WM_LBUTTONDBLCLK = 0x203, /* 515 */
  KIV_WM_RBUTTONUP = 0x205      /* 517 */
};
typedef intptr_t (*KivWindowProc)(uintptr_t hwnd, uint32_t message, uintptr_t wparam,
                                  intptr_t lparam);

/* Window values (SetWindowLongA): only the window procedure (index -4) can be replaced; the
   result is the previous procedure, 0 for an unknown window or index (error 1400 / 87). */
enum { KIV_GWL_WNDPROC = -4 };
intptr_t SetWindowLongA(uintptr_t hwnd, int32_t index, intptr_t value);
/* Calls a window procedure (the previous one a replacement keeps) with a message. */
intptr_t CallWindowProcA(KivWindowProc procedure, uintptr_t hwnd, uint32_t message,
                         uintptr_t wparam, intptr_t lparam);

/* Notification icons (Shell_NotifyIconA). */
enum { KIV_NIM_ADD = 0, KIV_NIM_MODIFY = 1, KIV_NIM_DELETE = 2 };
enum { KIV_NIF_MESSAGE = 1, KIV_NIF_ICON = 2, KIV_NIF_TIP = 4 };
typedef struct KivNotifyIconData {
  uint32_t size;            /* 88 */
  uintptr_t hwnd;           /* the window that gets the callback messages */
  uint32_t id;              /* the icon's identifier within that window */
  uint32_t flags;           /* KIV_NIF_*: which of the three members below are valid */
  uint32_t callbackMessage; /* the message the window gets for mouse actions on the icon */
  uintptr_t icon;           /* from LoadIconA */
  char tip[64];             /* tool tip, NUL-terminated */
} KivNotifyIconData;
/* Adds, changes or deletes a notification icon; nonzero on success. Adding fails when the
   desktop has no notification area (and when the icon exists); deleting fails for an icon that
   is not there. */
int32_t Shell_NotifyIconA(uint32_t message, const KivNotifyIconData* data);

/* An icon of the program's images by name ("TARROW_ICO"), 0 when there is none. `instance` is
   the module instance (property 31934 of -4); any value finds the program's images. */
uintptr_t LoadIconA(uintptr_t instance, const char* name);

/* Shows a window: KIV_SW_HIDE hides it (frame windows only leave the screen, they stay open),
   KIV_SW_SHOWNORMAL and KIV_SW_RESTORE show it at its normal size. Gives nonzero when the window
   was visible before. */
enum { KIV_SW_HIDE = 0, KIV_SW_SHOWNORMAL = 1, KIV_SW_RESTORE = 9 };
int32_t ShowWindow(uintptr_t hwnd, int32_t command);
/* Brings the window to the top of the others and gives it the focus; nonzero on success. */
int32_t SetForegroundWindow(uintptr_t hwnd);
int32_t BringWindowToTop(uintptr_t hwnd);

/* Sounds the desktop's bell (the frequency and duration are what a speaker would have used);
   nonzero on success. */
int32_t Beep(uint32_t frequency, uint32_t duration);

KIV_EXTERN_C_END

#endif
