/*
 * Thermo monitor: prints twenty temperature and humidity readings of the
 * selected board, one line per reading:
 *
 *     name;seconds;values
 *
 * It stops early when it reads the byte 0x02 on its standard input, which
 * is how the editor's Stop command asks a program to end.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#include <time.h>
#include <unistd.h>
#endif

#ifndef CARTRIX_BOARD
#define CARTRIX_BOARD "TH100"
#endif

#define READINGS 20
#define PERIOD_MS 50
#define STOP_BYTE 0x02

struct board {
    const char *name;
    double base_celsius;
    double base_humidity;
};

static const struct board boards[] = {
    { "TH100", 21.5, 40.0 },
    { "TH200 Pro", 22.0, 45.0 },
    { "TH300 Outdoor", 8.0, 80.0 },
};

/* Returns 1 once the stop byte has arrived on standard input. */
static int stop_requested(void)
{
    unsigned char byte = 0;
#ifdef _WIN32
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD available = 0, got = 0;
    while (PeekNamedPipe(in, NULL, 0, NULL, &available, NULL) && available > 0) {
        if (!ReadFile(in, &byte, 1, &got, NULL) || got == 0)
            return 0;
        if (byte == STOP_BYTE)
            return 1;
    }
#else
    struct pollfd in = { 0, POLLIN, 0 };
    while (poll(&in, 1, 0) > 0 && (in.revents & POLLIN)) {
        if (read(0, &byte, 1) != 1)
            return 0;
        if (byte == STOP_BYTE)
            return 1;
    }
#endif
    return 0;
}

static void sleep_ms(int ms)
{
#ifdef _WIN32
    Sleep(ms);
#else
    struct timespec pause = { ms / 1000, (ms % 1000) * 1000000L };
    nanosleep(&pause, NULL);
#endif
}

int main(void)
{
    const struct board *board = &boards[0];
    for (size_t i = 0; i < sizeof boards / sizeof boards[0]; ++i)
        if (strcmp(boards[i].name, CARTRIX_BOARD) == 0)
            board = &boards[i];

    printf("Thermo monitor on board %s (sensor profile %s)\n", CARTRIX_BOARD, board->name);
    for (int i = 0; i < READINGS; ++i) {
        if (stop_requested()) {
            printf("Stop requested, sensor powered down.\n");
            return 0;
        }
        const double seconds = i * PERIOD_MS / 1000.0;
        const double celsius = board->base_celsius + 0.8 * sin(seconds * 2.0);
        const double humidity = board->base_humidity + 3.0 * cos(seconds);
        printf("temperature;%.3f;%.2f\n", seconds, celsius);
        printf("humidity;%.3f;%.1f\n", seconds, humidity);
        fflush(stdout);
        sleep_ms(PERIOD_MS);
    }
    printf("Done: %d readings.\n", READINGS);
    return 0;
}
