#include "core/music/pipewire_cycle.h"

#include "core/music/percentile.h"

#include <algorithm>

#ifdef DRENSOLK_HAVE_PIPEWIRE
#include <pipewire/extensions/profiler.h>
#include <pipewire/impl.h>
#include <pipewire/pipewire.h>
#include <spa/param/profiler.h>
#include <spa/pod/iter.h>
#include <spa/pod/parser.h>
#include <spa/utils/string.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>
#endif

double profiled_cycle_ms(const spa_pod* report, const std::vector<uint32_t>& nodes)
{
#ifndef DRENSOLK_HAVE_PIPEWIRE
    (void)report;
    (void)nodes;
    return -1;
#else
    if (!report || !spa_pod_is_struct(report)) return -1;
    const auto ours = [&](uint32_t id) { return std::find(nodes.begin(), nodes.end(), id) != nodes.end(); };
    const void* body = SPA_POD_BODY_CONST(report);
    const uint32_t size = SPA_POD_BODY_SIZE(report);
    for (auto* cycle = static_cast<const spa_pod*>(body); spa_pod_is_inside(body, size, cycle);
         cycle = static_cast<const spa_pod*>(spa_pod_next(cycle))) {
        if (!spa_pod_is_object_type(cycle, SPA_TYPE_OBJECT_Profiler)) continue;
        double ms = -1;
        bool runs_ours = false;
        const spa_pod_prop* p;
        SPA_POD_OBJECT_FOREACH(reinterpret_cast<const spa_pod_object*>(cycle), p) {
            if (p->key == SPA_PROFILER_clock) {
                int32_t flags = 0, id = 0;
                const char* name = nullptr;
                int64_t nsec = 0, position = 0, duration = 0, delay = 0, next_nsec = 0;
                spa_fraction rate{0, 0};
                double rate_diff = 0;
                if (spa_pod_parse_struct(&p->value, SPA_POD_Int(&flags), SPA_POD_Int(&id), SPA_POD_String(&name),
                                         SPA_POD_Long(&nsec), SPA_POD_Fraction(&rate), SPA_POD_Long(&position),
                                         SPA_POD_Long(&duration), SPA_POD_Long(&delay), SPA_POD_Double(&rate_diff),
                                         SPA_POD_Long(&next_nsec)) >= 0 &&
                    rate.denom > 0 && duration > 0)
                    ms = double(duration) * rate.num * 1000.0 / rate.denom;
            } else if (p->key == SPA_PROFILER_driverBlock || p->key == SPA_PROFILER_followerBlock) {
                int32_t id = -1;
                if (spa_pod_parse_struct(&p->value, SPA_POD_Int(&id)) >= 0 && id >= 0 && ours(uint32_t(id)))
                    runs_ours = true;
            }
        }
        if (runs_ours && ms > 0) return ms;
    }
    return -1;
#endif
}

#ifdef DRENSOLK_HAVE_PIPEWIRE
namespace {

struct Probe {
    std::string pid;                           // ours, as the server's pipewire.sec.pid
    std::map<uint32_t, bool> client_is_ours;   // client id -> same process
    std::map<uint32_t, uint32_t> node_client;  // node id -> its client's id
    uint32_t also_node = SPA_ID_INVALID;       // counted as ours whoever made it
    pw_registry* registry = nullptr;
    pw_proxy* profiler = nullptr;
    spa_hook profiler_listener{};
    std::vector<double> cycles_ms;
    size_t wanted = 0;

    std::vector<uint32_t> our_nodes() const
    {
        std::vector<uint32_t> out;
        if (also_node != SPA_ID_INVALID) out.push_back(also_node);
        for (const auto& [node, client] : node_client) {
            const auto c = client_is_ours.find(client);
            if (c != client_is_ours.end() && c->second) out.push_back(node);
        }
        return out;
    }
};

uint32_t id_from(const spa_dict* props, const char* key)
{
    uint32_t id = SPA_ID_INVALID;
    const char* s = props ? spa_dict_lookup(props, key) : nullptr;
    return s && spa_atou32(s, &id, 10) ? id : SPA_ID_INVALID;
}

void on_profile(void* data, const spa_pod* report)
{
    auto* probe = static_cast<Probe*>(data);
    const double ms = profiled_cycle_ms(report, probe->our_nodes());
    if (ms > 0 && probe->cycles_ms.size() < probe->wanted) probe->cycles_ms.push_back(ms);
}

const pw_profiler_events kProfilerEvents = {PW_VERSION_PROFILER_EVENTS, on_profile};

void on_global(void* data, uint32_t id, uint32_t, const char* type, uint32_t, const spa_dict* props)
{
    auto* probe = static_cast<Probe*>(data);
    if (std::strcmp(type, PW_TYPE_INTERFACE_Client) == 0) {
        const char* pid = props ? spa_dict_lookup(props, PW_KEY_SEC_PID) : nullptr;
        probe->client_is_ours[id] = pid && probe->pid == pid;
    } else if (std::strcmp(type, PW_TYPE_INTERFACE_Node) == 0) {
        const uint32_t client = id_from(props, PW_KEY_CLIENT_ID);
        if (client != SPA_ID_INVALID) probe->node_client[id] = client;
    } else if (std::strcmp(type, PW_TYPE_INTERFACE_Profiler) == 0 && !probe->profiler) {
        probe->profiler = static_cast<pw_proxy*>(
            pw_registry_bind(probe->registry, id, PW_TYPE_INTERFACE_Profiler, PW_VERSION_PROFILER, 0));
        if (probe->profiler)
            pw_proxy_add_object_listener(probe->profiler, &probe->profiler_listener, &kProfilerEvents, probe);
    }
}

const pw_registry_events kRegistryEvents = {PW_VERSION_REGISTRY_EVENTS, on_global, nullptr};

}  // namespace
#endif

double pipewire_cycle_ms(int cycles, uint32_t also_node)
{
#ifndef DRENSOLK_HAVE_PIPEWIRE
    (void)cycles;
    (void)also_node;
    return -1;
#else
    pw_init(nullptr, nullptr);  // never undone: SDL's own PipeWire driver may be using the library
    pw_loop* loop = pw_loop_new(nullptr);
    if (!loop) return -1;
    pw_context* context = pw_context_new(loop, nullptr, 0);
    pw_core* core = nullptr;
    pw_registry* registry = nullptr;
    spa_hook registry_listener{};
    Probe probe;
    probe.pid = std::to_string(getpid());
    probe.wanted = size_t(cycles < 1 ? 1 : cycles);
    probe.also_node = also_node;
    // The profiler's events need its protocol on this side too.
    if (context && pw_context_load_module(context, PW_EXTENSION_MODULE_PROFILER, nullptr, nullptr))
        core = pw_context_connect(context, nullptr, 0);  // null, not a wait, when there is no server
    if (core) registry = pw_core_get_registry(core, PW_VERSION_REGISTRY, 0);
    if (registry) {
        probe.registry = registry;
        pw_registry_add_listener(registry, &registry_listener, &kRegistryEvents, &probe);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        pw_loop_enter(loop);
        while (probe.cycles_ms.size() < probe.wanted && std::chrono::steady_clock::now() < end)
            if (pw_loop_iterate(loop, 20) < 0) break;
        pw_loop_leave(loop);
    }
    if (probe.profiler) pw_proxy_destroy(probe.profiler);
    if (registry) pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry));
    if (core) pw_core_disconnect(core);
    if (context) pw_context_destroy(context);
    pw_loop_destroy(loop);
    return probe.cycles_ms.empty() ? -1.0 : percentile(probe.cycles_ms, 50);
#endif
}
