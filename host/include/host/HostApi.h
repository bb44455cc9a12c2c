// Visibility of the scene model and loader in the host stand-in library.
#ifndef HOST_HOST_API_H
#define HOST_HOST_API_H

#define HOST_API __attribute__((visibility("default")))

#endif
