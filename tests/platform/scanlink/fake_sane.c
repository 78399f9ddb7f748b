/* A stand-in for libsane with two misbehaving scanners, for the scan library's tests:
 *   fake:wait  sends one block of rows, then waits inside sane_read until sane_cancel;
 *   fake:hang  sends one block of rows, then hangs inside sane_read whatever happens, until the
 *              test lets it go with fake_sane_release (as a driver whose device vanished). */
#include <sane/sane.h>

#include <pthread.h>
#include <string.h>

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t wake = PTHREAD_COND_INITIALIZER;
static int cancelled, released, cancels;

struct fake_handle {
    int hang;
    int sent;
};
static struct fake_handle handles[2];

static const SANE_Device wait_device = {"fake:wait", "Pixorama", "Wartet", "virtual device"};
static const SANE_Device hang_device = {"fake:hang", "Pixorama", "Haengt", "virtual device"};
static const SANE_Device* device_list[] = {&wait_device, &hang_device, NULL};

static SANE_String_Const modes[] = {"Gray", NULL};
static const SANE_Option_Descriptor options[] = {
    {"", "", "", SANE_TYPE_INT, SANE_UNIT_NONE, sizeof(SANE_Word), SANE_CAP_SOFT_DETECT,
     SANE_CONSTRAINT_NONE, {NULL}},
    {"mode", "Mode", "", SANE_TYPE_STRING, SANE_UNIT_NONE, 16,
     SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT, SANE_CONSTRAINT_STRING_LIST, {modes}},
};

void fake_sane_release(void) {
    pthread_mutex_lock(&lock);
    released = 1;
    pthread_cond_broadcast(&wake);
    pthread_mutex_unlock(&lock);
}

int fake_sane_cancels(void) {
    pthread_mutex_lock(&lock);
    int n = cancels;
    pthread_mutex_unlock(&lock);
    return n;
}

SANE_Status sane_init(SANE_Int* version, SANE_Auth_Callback auth) {
    (void)auth;
    if (version) *version = SANE_VERSION_CODE(1, 0, 0);
    return SANE_STATUS_GOOD;
}

void sane_exit(void) {}

SANE_Status sane_get_devices(const SANE_Device*** list, SANE_Bool local) {
    (void)local;
    *list = device_list;
    return SANE_STATUS_GOOD;
}

SANE_Status sane_open(SANE_String_Const name, SANE_Handle* h) {
    int hang;
    if (strcmp(name, "fake:wait") == 0)
        hang = 0;
    else if (strcmp(name, "fake:hang") == 0)
        hang = 1;
    else
        return SANE_STATUS_INVAL;
    handles[hang].hang = hang;
    handles[hang].sent = 0;
    pthread_mutex_lock(&lock);
    cancelled = 0;
    pthread_mutex_unlock(&lock);
    *h = &handles[hang];
    return SANE_STATUS_GOOD;
}

void sane_close(SANE_Handle h) { (void)h; }

void sane_cancel(SANE_Handle h) {
    (void)h;
    pthread_mutex_lock(&lock);
    cancelled = 1;
    ++cancels;
    pthread_cond_broadcast(&wake);
    pthread_mutex_unlock(&lock);
}

const SANE_Option_Descriptor* sane_get_option_descriptor(SANE_Handle h, SANE_Int n) {
    (void)h;
    return n >= 0 && n < 2 ? &options[n] : NULL;
}

SANE_Status sane_control_option(SANE_Handle h, SANE_Int n, SANE_Action a, void* v, SANE_Int* info) {
    (void)h;
    if (info) *info = 0;
    if (n == 0 && a == SANE_ACTION_GET_VALUE) {
        *(SANE_Int*)v = 2;
        return SANE_STATUS_GOOD;
    }
    if (n == 1 && a == SANE_ACTION_SET_VALUE) return SANE_STATUS_GOOD;
    return SANE_STATUS_INVAL;
}

SANE_Status sane_start(SANE_Handle h) {
    (void)h;
    return SANE_STATUS_GOOD;
}

SANE_Status sane_get_parameters(SANE_Handle h, SANE_Parameters* p) {
    (void)h;
    p->format = SANE_FRAME_GRAY;
    p->last_frame = SANE_TRUE;
    p->bytes_per_line = 16;
    p->pixels_per_line = 16;
    p->lines = 16;
    p->depth = 8;
    return SANE_STATUS_GOOD;
}

SANE_Status sane_read(SANE_Handle h, SANE_Byte* data, SANE_Int max, SANE_Int* len) {
    struct fake_handle* f = h;
    *len = 0;
    if (!f->sent) { /* the first rows arrive */
        f->sent = 1;
        *len = max < 64 ? max : 64;
        memset(data, 200, (size_t)*len);
        return SANE_STATUS_GOOD;
    }
    pthread_mutex_lock(&lock);
    if (f->hang)
        while (!released) pthread_cond_wait(&wake, &lock);
    else
        while (!cancelled) pthread_cond_wait(&wake, &lock);
    pthread_mutex_unlock(&lock);
    return f->hang ? SANE_STATUS_IO_ERROR : SANE_STATUS_CANCELLED;
}

SANE_Status sane_set_io_mode(SANE_Handle h, SANE_Bool m) {
    (void)h;
    (void)m;
    return SANE_STATUS_UNSUPPORTED;
}

SANE_Status sane_get_select_fd(SANE_Handle h, SANE_Int* fd) {
    (void)h;
    (void)fd;
    return SANE_STATUS_UNSUPPORTED;
}

SANE_String_Const sane_strstatus(SANE_Status s) { return s == SANE_STATUS_GOOD ? "ok" : "Fehler"; }
