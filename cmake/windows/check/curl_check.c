/* libcurl is static, with Schannel TLS and the protocols of the updater. */
#include <curl/curl.h>
#include <stdio.h>
#include <string.h>

static int has_protocol(const curl_version_info_data *d, const char *name)
{
    const char *const *p;
    for (p = d->protocols; *p; ++p)
        if (strcmp(*p, name) == 0)
            return 1;
    return 0;
}

int main(void)
{
    const curl_version_info_data *d;
    CURL *h;
    int ok = 1;
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return 1;
    d = curl_version_info(CURLVERSION_NOW);
    printf("%s\n", curl_version());
    ok &= d->ssl_version && strstr(d->ssl_version, "Schannel") != NULL;
    ok &= has_protocol(d, "ftp") && has_protocol(d, "ftps") && has_protocol(d, "http")
          && has_protocol(d, "https");
    ok &= (d->features & CURL_VERSION_SSL) != 0;
    printf("HTTP/2: %s\n", (d->features & CURL_VERSION_HTTP2) ? "yes" : "no");
    h = curl_easy_init();
    ok &= h != NULL;
    curl_easy_cleanup(h);
    curl_global_cleanup();
    return ok ? 0 : 1;
}
