/* Memory-fault injection for whole-program runs: preloaded (LD_PRELOAD), this makes the Nth
 * call of malloc, calloc or realloc after the program arms it return NULL, as a real shortage
 * would, wherever the call comes from (our code, libpng, libjpeg, libtiff, giflib, zlib, the C++
 * library).
 *
 *   PIXORAMA_FAIL_AT=N          the Nth armed call fails (1 = the first); 0 or unset: none fails
 *   PIXORAMA_FAIL_COUNT_FILE=F  at exit, the number of armed calls is written to F
 *   PIXORAMA_FAIL_WHO_FILE=F    the file name of the library whose call failed is written to F
 *
 * The program arms it with pixorama_fault_arm() once its start-up is done, so that the runtime's
 * own start (loader, locale, streams) is not what fails.  Under AddressSanitizer the calls pass
 * on to the sanitizer's allocator (found with RTLD_NEXT), so its checks and leak report stay. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <stdatomic.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>

static void* (*realMalloc)(size_t);
static void* (*realCalloc)(size_t, size_t);
static void* (*realRealloc)(void*, size_t);
static void (*realFree)(void*);

/* The count lives in memory shared with child processes (the program runs some codecs in a
 * child): the calls of parent and child form one sequence, so every allocation of the whole job
 * gets its turn to fail, and the count at exit includes the child's. */
static atomic_long ownCalls;
static atomic_long* calls = &ownCalls;
static atomic_int armed;
static long failAt;

/* dlsym may allocate before the real functions are known: those few bytes come from here */
static _Alignas(16) char bootstrap[4096];
static size_t bootstrapUsed;

static int fromBootstrap(const void* p) {
    return (const char*)p >= bootstrap && (const char*)p < bootstrap + sizeof bootstrap;
}

static void* bootstrapAlloc(size_t n) {
    n = (n + 15) & ~(size_t)15;
    if (bootstrapUsed + n > sizeof bootstrap)
        return NULL;
    void* p = bootstrap + bootstrapUsed;
    bootstrapUsed += n;
    return p;
}

static int resolving;

static void resolve(void) {
    if (realMalloc || resolving)
        return;
    resolving = 1;
    realCalloc = (void* (*)(size_t, size_t))dlsym(RTLD_NEXT, "calloc");
    realRealloc = (void* (*)(void*, size_t))dlsym(RTLD_NEXT, "realloc");
    realFree = (void (*)(void*))dlsym(RTLD_NEXT, "free");
    realMalloc = (void* (*)(size_t))dlsym(RTLD_NEXT, "malloc");
    resolving = 0;
}

/* Notes which library asked for the memory that was refused. */
static void noteCaller(void* caller) {
    const char* file = getenv("PIXORAMA_FAIL_WHO_FILE");
    Dl_info info;
    if (file == NULL || !dladdr(caller, &info) || info.dli_fname == NULL)
        return;
    FILE* f = fopen(file, "w");
    if (f) {
        fprintf(f, "%s\n", info.dli_fname);
        fclose(f);
    }
}

/* Whether the calling thread runs the program's own code: the main thread from the start, every
 * other thread once its start function is called (see pthread_create below).  Before that, a new
 * thread is set up by the C library and, in a sanitizer build, by the sanitizer's runtime, which
 * asks glibc for the thread's stack bounds (an allocation) and stops the whole process when that
 * is refused; no program can prevent that.  Those calls are neither counted nor failed; without
 * the sanitizer there are none. */
static __thread int tRunning __attribute__((tls_model("initial-exec")));

__attribute__((constructor)) static void mainThreadRuns(void) {
    tRunning = 1;
}

/* Whether this call is the one that fails. */
static int failsNow(void* caller) {
    if (!atomic_load(&armed) || !tRunning)
        return 0;
    const long n = atomic_fetch_add(calls, 1) + 1;
    if (failAt > 0 && n == failAt) {
        noteCaller(caller);
        errno = ENOMEM; /* as the real allocator says it */
        return 1;
    }
    return 0;
}

void pixorama_fault_arm(void) {
    void* shared = mmap(NULL, sizeof(atomic_long), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared != MAP_FAILED) {
        calls = (atomic_long*)shared;
        atomic_store(calls, 0);
    }
    const char* at = getenv("PIXORAMA_FAIL_AT");
    failAt = at ? strtol(at, NULL, 10) : 0;
    atomic_store(&armed, 1);
}

__attribute__((destructor)) static void report(void) {
    atomic_store(&armed, 0);
    const char* file = getenv("PIXORAMA_FAIL_COUNT_FILE");
    if (file == NULL)
        return;
    FILE* f = fopen(file, "w");
    if (f) {
        fprintf(f, "%ld\n", atomic_load(calls));
        fclose(f);
    }
}

void* malloc(size_t n) {
    resolve();
    if (!realMalloc)
        return bootstrapAlloc(n);
    if (failsNow(__builtin_return_address(0)))
        return NULL;
    return realMalloc(n);
}

void* calloc(size_t count, size_t size) {
    resolve();
    if (!realCalloc) {
        if (size != 0 && count > (size_t)-1 / size)
            return NULL;
        return bootstrapAlloc(count * size); /* static storage is zero */
    }
    if (failsNow(__builtin_return_address(0)))
        return NULL;
    return realCalloc(count, size);
}

void* realloc(void* p, size_t n) {
    resolve();
    if (fromBootstrap(p)) {
        void* q = malloc(n);
        const size_t room = (size_t)(bootstrap + sizeof bootstrap - (char*)p);
        if (q)
            memcpy(q, p, n < room ? n : room);
        return q;
    }
    if (!realRealloc)
        return bootstrapAlloc(n);
    if (n != 0 && failsNow(__builtin_return_address(0)))
        return NULL;
    return realRealloc(p, n);
}

void free(void* p) {
    if (p == NULL || fromBootstrap(p))
        return;
    resolve();
    if (realFree) /* else a block of the loader's while the functions are looked up: kept */
        realFree(p);
}

struct ThreadStart {
    void* (*fn)(void*);
    void* arg;
};

static void* startThread(void* p) {
    struct ThreadStart start = *(struct ThreadStart*)p;
    realFree(p);
    tRunning = 1;
    return start.fn(start.arg);
}

int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*fn)(void*), void* arg) {
    static int (*realCreate)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    if (!realCreate)
        realCreate = (int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*))dlsym(
            RTLD_NEXT, "pthread_create");
    resolve();
    if (!realCreate || !realMalloc)
        return EAGAIN;
    /* the start record is ours, not the program's: it is neither counted nor failed */
    struct ThreadStart* start = (struct ThreadStart*)realMalloc(sizeof *start);
    if (!start)
        return EAGAIN;
    start->fn = fn;
    start->arg = arg;
    const int rc = realCreate(thread, attr, startThread, start);
    if (rc != 0)
        realFree(start);
    return rc;
}
