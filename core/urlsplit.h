#pragma once

#include "core/serverassign.h"
#include "core/state.h"
#include "core/texttable.h"

#include <string>
#include <string_view>

namespace tamarisk::core {

/// ServerCut: cuts address A into its lead (returned through Lead) and its key, the part that names the
/// same place on another server. How much the key covers depends on the key type (SType) of the first
/// server group whose domain the host has; a host without a dot takes the first group, and its key is the
/// whole host. With no matching group the key is empty.
std::string ServerCut(const State& state, std::string_view A, std::string& Lead);

/// UrlChai: replaces the lead, the key and the one character after it by the replacement prefix of the
/// first address change with the same key; an address that matches none comes back unchanged. An address
/// that ends within that stretch gives the prefix alone.
std::string UrlChai(const State& state, std::string_view A);

/// Adds an address change at the end of the table (DefServers, its item list and DefServerCount in step):
/// the key is ServerCut of the address. An address that gets no key could never match: it is not listed,
/// and false is returned. The caller has checked that the address is not listed and the table not full.
bool addAddressChange(State& state, std::string_view address, std::string path);

/// UrlChai for many addresses in a row: the address-change table is indexed once (the first entry of each
/// key) and an address is cut where it lies, not copied, so it costs no allocation. The state's server
/// groups and table must not change while it is in use.
class AddressChanger {
public:
    explicit AddressChanger(const State& state);

    /// Writes the changed address to out and returns true, or returns false (out untouched) when no
    /// address change has the address's key.
    bool change(std::string_view A, std::string& out);
    /// The same for the address of a "Url=" line cut into parts: A is the line after "Url=", so its host
    /// begins where the parts' rest does, and the marks found for the parts serve the cut too.
    bool change(std::string_view A, const AddressParts& parts, std::string& out);
    /// The server groups as it looks them up, for other rules of the same pass.
    const ServerGroupIndex& groups() const { return m_groups; }

private:
    const State& m_state;
    ServerGroupIndex m_groups;
    TextTable<const DefServerRec*> m_firstByKey;
};

} // namespace tamarisk::core
