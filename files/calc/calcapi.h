// The boundary between the core and the LibreOffice plugin: plain C, so the core loads the plugin
// with dlopen and neither side shares C++ types or exceptions with the other. Texts are UTF-8.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define PELZO_CALC_API_VERSION 2

typedef struct PelzoCalcOptions {
    const char* soffice;     // the office's start program (the `soffice` wrapper)
    int startTimeoutMs;      // from start until the office answers on its pipe
    int callTimeoutMs;       // for each later call; the office is killed when one takes longer
    const char* tempDir;     // where the private profile goes; NULL or "": $TMPDIR or /tmp
} PelzoCalcOptions;

// What a cell holds. A number's kind follows its number format: dates and times are numbers
// (days since 30 December 1899, the time of day as the fraction) that the office shows as such.
enum {
    PELZO_CELL_EMPTY = 0,
    PELZO_CELL_TEXT = 1,
    PELZO_CELL_NUMBER = 2,
    PELZO_CELL_DATE = 3,
    PELZO_CELL_TIME = 4,
    PELZO_CELL_DATETIME = 5,
    PELZO_CELL_BOOL = 6
};

typedef struct PelzoCalcValue {
    int kind;
    double number;     // numbers, dates and times; 0 or 1 for a truth value
    const char* text;  // the text of a text cell, otherwise ""
} PelzoCalcValue;

// One office process with at most one open workbook and its active sheet.
typedef struct PelzoCalcApp PelzoCalcApp;

// Every int-returning call gives 0 on success; otherwise `error` tells why.
typedef struct PelzoCalcApi {
    int version;
    // Starts a private office and connects to it. `*app` is set even on failure (for `error`);
    // it must always be passed to `destroy`.
    int (*create)(const PelzoCalcOptions* options, PelzoCalcApp** app);
    // Ends the office if it still runs, reaps it and removes its private profile.
    void (*destroy)(PelzoCalcApp* app);
    const char* (*error)(const PelzoCalcApp* app);

    int (*setVisible)(PelzoCalcApp* app, int visible);
    int (*workBooksOpen)(PelzoCalcApp* app, const char* path);
    int (*activeWorkBook)(PelzoCalcApp* app);
    int (*activeSheet)(PelzoCalcApp* app);
    // Number of the last used row (1-based; 1 for an empty sheet).
    int (*usedRangeRowsCount)(PelzoCalcApp* app, int* count);
    // Writes are kept and sent in bulk at `save` (or before a read that needs them).
    int (*rowsSetValue)(PelzoCalcApp* app, int row, const char* text);
    int (*cellsSetValue)(PelzoCalcApp* app, int row, int col, const char* text);
    // `value->text` stays valid until the next call on `app`.
    int (*cellsValue)(PelzoCalcApp* app, int row, int col, PelzoCalcValue* value);
    int (*save)(PelzoCalcApp* app);
    int (*close)(PelzoCalcApp* app);
    int (*quit)(PelzoCalcApp* app);
} PelzoCalcApi;

typedef const PelzoCalcApi* (*PelzoCalcEntry)(void);
#define PELZO_CALC_ENTRY "pelzo_calc_api"

#ifdef __cplusplus
}
#endif
