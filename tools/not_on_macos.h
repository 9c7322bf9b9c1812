// Forced into a compile of the POSIX back end (see .ci/run): calls that POSIX
// names but macOS does not provide become errors, since a strict POSIX
// compile on Linux alone would let them through. The system headers come
// first so that only our own use of a name is caught.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/mman.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <csignal>
#include <ctime>

#pragma GCC poison clock_nanosleep timer_create timer_settime timer_gettime timer_getoverrun timer_delete
#pragma GCC poison sem_timedwait sem_init sem_destroy pthread_mutex_timedlock
#pragma GCC poison pthread_rwlock_timedrdlock pthread_rwlock_timedwrlock pthread_barrier_init \
    pthread_spin_init
#pragma GCC poison sigtimedwait sigwaitinfo sigqueue posix_fallocate mq_open mq_timedreceive mq_timedsend
#pragma GCC poison pipe2 dup3 accept4 ppoll epoll_create epoll_create1 eventfd signalfd timerfd_create
