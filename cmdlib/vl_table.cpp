// Table reads: the exchange of a table's header and records in chunks, and the location
// table (the filter tables are in vl_bfilt).
#include "cmdlib/vl.h"
#include "cmdlib/vl_internal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using vl_detail::Copy;

// ---- table exchange -------------------------------------------------------------------

namespace vl_detail {

int Fail(VlRouter* r) {
    int err = vl_last_error;
    if (r != nullptr && r->socket >= 0)
        vl_close(r);
    vl_last_error = err;
    return -1;
}

int ReadTable(VlRouter* r, const char* name, int payload_length, int header_numbers,
              const char* continuation, RecordFn on_record, void* ctx) {
    if (r == nullptr || r->socket < 0) {
        vl_last_error = VL_ERR_NO_CONNECTION;
        return -1;
    }
    char request[32] = {};
    Copy(request, name);
    if (Request(r, VL_MSG_TABLE, request, payload_length) != 0)
        return -1;
    char word[32] = "";
    int32_t total = 0, chunk = 0, ignored = 0;
    if (header_numbers == 3)
        vl_scan(ReplyText(), "%s %d %d %d", word, &total, &ignored, &chunk);
    else
        vl_scan(ReplyText(), "%s %d %d", word, &total, &chunk);
    if (std::strcmp(word, name) != 0 || total <= 0)
        return 0;
    // A chunk of 0 means all in one run; a negative one would never make progress.
    if (chunk <= 0)
        chunk = total;

    int32_t done = 0;
    while (done < total) {
        if (done > 0) {
            char more[64];
            std::snprintf(more, sizeof more, continuation, name, static_cast<int>(done));
            if (vl_send_message(r, VL_MSG_TABLE, more, static_cast<int>(std::strlen(more)) + 1) != 0)
                return Fail(r);
        }
        const int32_t run = chunk < total - done ? chunk : total - done;
        for (int32_t i = 0; i < run; ++i) {
            if (vl_get_reply(r, vl_reply_buffer()) != 0)
                return Fail(r);
            int rc = on_record(ctx, r, ReplyText());
            if (rc != 0)
                return rc;
            ++done;
        }
    }
    return 1;
}

} // namespace vl_detail

// ---- location table -------------------------------------------------------------------

namespace {

struct LocationRead {
    VlLocation* head = nullptr;
    bool short_format = false;
};

// Splits the account text: marker, telephone field, user name, password, each ended by
// the byte 0x02. Only the marker 1 says the rest is there.
void ParseAccount(VlLocation* loc, const char* account) {
    const char* parts[4];
    size_t lengths[4];
    const char* p = account;
    for (int i = 0; i < 4; ++i) {
        const char* end = std::strchr(p, '\x02');
        if (end == nullptr) {
            loc->telephone[0] = loc->telephone2[0] = loc->username[0] = loc->password[0] = '\0';
            return;
        }
        parts[i] = p;
        lengths[i] = static_cast<size_t>(end - p);
        p = end + 1;
    }
    char marker[16];
    Copy(marker, sizeof marker, std::string(parts[0], lengths[0]).c_str());
    if (vl_text_to_int(marker) != 1)
        return;
    const std::string phone(parts[1], lengths[1]);
    const size_t amp = phone.find('&');
    Copy(loc->telephone, phone.substr(0, amp).c_str());
    Copy(loc->telephone2, amp == std::string::npos ? "" : phone.substr(amp + 1).c_str());
    Copy(loc->username, std::string(parts[2], lengths[2]).c_str());
    Copy(loc->password, std::string(parts[3], lengths[3]).c_str());
}

int OnLocation(void* ctx, VlRouter* r, const char* text) {
    auto* read = static_cast<LocationRead*>(ctx);
    VlLocation* loc = vl_new_location();
    if (loc == nullptr)
        return -2;
    char account[VL_REPLY_PAYLOAD + 1] = "";
    if (read->short_format) {
        vl_scan(text, "%s %s %s %d %d %d %d %d %q %d %x %q %q %s %q %q", loc->name, loc->dest,
                loc->netmask, &loc->group, &loc->flags, &loc->idle_minutes, &loc->maxports,
                &loc->high_water, loc->script, &loc->mtu, &loc->map, loc->ifilter, loc->ofilter,
                loc->ipxnet, loc->v25bis, account);
    } else {
        vl_scan(text, "%s %s %s %d %d %d %d %d %q %d %x %q %q %s %q %q %x %d %s %s", loc->name,
                loc->dest, loc->netmask, &loc->group, &loc->flags, &loc->idle_minutes,
                &loc->maxports, &loc->high_water, loc->script, &loc->mtu, &loc->map,
                loc->ifilter, loc->ofilter, loc->ipxnet, loc->v25bis, account, &loc->flags2,
                &loc->status_num, loc->status_text1, loc->status_text2);
    }
    loc->next = nullptr;
    ParseAccount(loc, account);
    if ((r->capabilities & VL_CAP_IDLE_SECONDS) != 0 && (loc->flags2 & VL_LF2_IDLE_SECONDS) != 0)
        loc->idle = loc->idle_minutes;
    else
        loc->idle = vl_detail::MinutesToSeconds(loc->idle_minutes);
    vl_insert_location(&read->head, loc);
    return 0;
}

} // namespace

VlLocation* vl_new_location() { return static_cast<VlLocation*>(std::calloc(1, sizeof(VlLocation))); }

void vl_insert_location(VlLocation** list, VlLocation* rec) { vl_detail::InsertByName(list, rec); }

void vl_free_locations(VlLocation* list) {
    while (list != nullptr) {
        VlLocation* next = list->next;
        std::free(list);
        list = next;
    }
}

namespace vl_detail {

VlLocation* ReadLocations(VlRouter* r, bool short_format) {
    LocationRead read;
    read.short_format = short_format;
    // "location" goes out with its NUL: 9 bytes.
    int rc = ReadTable(r, "location", 9, 2, "%s %d", OnLocation, &read);
    if (rc != 1) {
        vl_free_locations(read.head);
        return nullptr;
    }
    return read.head;
}

} // namespace vl_detail

/* Reads the router's location table into a list sorted by name. */
VlLocation* vl_read_locations(VlRouter* r) { return vl_detail::ReadLocations(r, false); }
