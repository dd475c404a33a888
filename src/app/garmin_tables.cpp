#include "app/garmin_tables.h"

#include <QHash>

namespace vintrel {

using namespace Qt::StringLiterals;

const QStringList& symbolNames() {
    static const QStringList names = {
        u"Anchor"_s, u"Bell"_s, u"Diamond, Green"_s, u"Diamond, Red"_s,
        u"Diver Down Flag 1"_s, u"Diver Down Flag 2"_s, u"Bank"_s, u"Fishing Area"_s,
        u"Gas Station"_s, u"Horn"_s, u"Residence"_s, u"Restaurant"_s,
        u"Light"_s, u"Bar"_s, u"Skull and Crossbones"_s, u"Square, Green"_s,
        u"Square, Red"_s, u"Buoy, White"_s, u"Waypoint"_s, u"Shipwreck"_s,
        u"Man Overboard"_s, u"Navaid, Amber"_s, u"Navaid, Black"_s, u"Navaid, Blue"_s,
        u"Navaid, Green"_s, u"Navaid, Green/Red"_s, u"Navaid, Green/White"_s, u"Navaid, Orange"_s,
        u"Navaid, Red"_s, u"Navaid, Red/Green"_s, u"Navaid, Red/White"_s, u"Navaid, Violet"_s,
        u"Navaid, White"_s, u"Navaid, White/Green"_s, u"Navaid, White/Red"_s, u"Dot, White"_s,
        u"Radio Beacon"_s, u"Boat Ramp"_s, u"Campground"_s, u"Restroom"_s,
        u"Shower"_s, u"Drinking Water"_s, u"Telephone"_s, u"Medical Facility"_s,
        u"Information"_s, u"Parking Area"_s, u"Park"_s, u"Picnic Area"_s,
        u"Scenic Area"_s, u"Skiing Area"_s, u"Swimming Area"_s, u"Dam"_s,
        u"Controlled Area"_s, u"Danger Area"_s, u"Restricted Area"_s, u"Ball Park"_s,
        u"Car"_s, u"Hunting Area"_s, u"Shopping Center"_s, u"Lodging"_s,
        u"Mine"_s, u"Trail Head"_s, u"Truck Stop"_s, u"Exit"_s,
        u"Flag"_s, u"Circle with X"_s, u"Mile Marker"_s, u"TracBack Point"_s,
        u"Golf Course"_s, u"City (Small)"_s, u"City (Medium)"_s, u"City (Large)"_s,
        u"City (Capitol)"_s, u"Amusement Park"_s, u"Bowling"_s, u"Car Rental"_s,
        u"Car Repair"_s, u"Fast Food"_s, u"Fitness Center"_s, u"Movie Theater"_s,
        u"Museum"_s, u"Pharmacy"_s, u"Pizza"_s, u"Post Office"_s,
        u"RV Park"_s, u"School"_s, u"Stadium"_s, u"Department Store"_s,
        u"Zoo"_s, u"Convenience Store"_s, u"Live Theater"_s, u"Scales"_s,
        u"Toll Booth"_s, u"Bridge"_s, u"Building"_s, u"Cemetery"_s,
        u"Church"_s, u"Civil"_s, u"Crossing"_s, u"Ghost Town"_s,
        u"Levee"_s, u"Military"_s, u"Oil Field"_s, u"Tunnel"_s,
        u"Beach"_s, u"Forest"_s, u"Summit"_s, u"Airport"_s,
        u"Heliport"_s, u"Private Field"_s, u"Soft Field"_s, u"Tall Tower"_s,
        u"Short Tower"_s, u"Glider Area"_s, u"Ultralight Area"_s, u"Parachute Area"_s,
        u"Seaplane Base"_s, u"Geocache"_s, u"Geocache Found"_s, u"Contact, Afro"_s,
        u"Contact, Alien"_s, u"Contact, Ball Cap"_s, u"Contact, Big Ears"_s, u"Contact, Biker"_s,
        u"Contact, Bug"_s, u"Contact, Cat"_s, u"Contact, Dog"_s, u"Contact, Dreadlocks"_s,
        u"Contact, Female1"_s, u"Contact, Female2"_s, u"Contact, Female3"_s, u"Contact, Goatee"_s,
        u"Contact, Kung-Fu"_s, u"Contact, Pig"_s, u"Contact, Pirate"_s, u"Contact, Ranger"_s,
        u"Contact, Smiley"_s, u"Contact, Spike"_s, u"Contact, Sumo"_s, u"Water Hydrant"_s,
        u"Flag, Red"_s, u"Flag, Blue"_s, u"Flag, Green"_s, u"Pin, Red"_s,
        u"Pin, Blue"_s, u"Pin, Green"_s, u"Block, Red"_s, u"Block, Blue"_s,
        u"Block, Green"_s, u"Bike Trail"_s, u"Fishing Hot Spot Facility"_s, u"Police Station"_s,
        u"Ski Resort"_s, u"Ice Skating"_s, u"Wrecker"_s, u"Anchor Prohibited"_s,
        u"Beacon"_s, u"Coast Guard"_s, u"Reef"_s, u"Weed Bed"_s,
        u"Dropoff"_s, u"Dock"_s, u"Marina"_s, u"Bait and Tackle"_s,
        u"Stump"_s, u"Circle, Red"_s, u"Circle, Green"_s, u"Circle, Blue"_s,
        u"Diamond, Blue"_s, u"Oval, Red"_s, u"Oval, Green"_s, u"Oval, Blue"_s,
        u"Rectangle, Red"_s, u"Rectangle, Green"_s, u"Rectangle, Blue"_s, u"Square, Blue"_s,
        u"Letter A, Red"_s, u"Letter A, Green"_s, u"Letter A, Blue"_s, u"Letter B, Red"_s,
        u"Letter B, Green"_s, u"Letter B, Blue"_s, u"Letter C, Red"_s, u"Letter C, Green"_s,
        u"Letter C, Blue"_s, u"Letter D, Red"_s, u"Letter D, Green"_s, u"Letter D, Blue"_s,
        u"Number 0, Red"_s, u"Number 0, Green"_s, u"Number 0, Blue"_s, u"Number 1, Red"_s,
        u"Number 1, Green"_s, u"Number 1, Blue"_s, u"Number 2, Red"_s, u"Number 2, Green"_s,
        u"Number 2, Blue"_s, u"Number 3, Red"_s, u"Number 3, Green"_s, u"Number 3, Blue"_s,
        u"Number 4, Red"_s, u"Number 4, Green"_s, u"Number 4, Blue"_s, u"Number 5, Red"_s,
        u"Number 5, Green"_s, u"Number 5, Blue"_s, u"Number 6, Red"_s, u"Number 6, Green"_s,
        u"Number 6, Blue"_s, u"Number 7, Red"_s, u"Number 7, Green"_s, u"Number 7, Blue"_s,
        u"Number 8, Red"_s, u"Number 8, Green"_s, u"Number 8, Blue"_s, u"Number 9, Red"_s,
        u"Number 9, Green"_s, u"Number 9, Blue"_s, u"Triangle, Blue"_s, u"Triangle, Green"_s,
        u"Triangle, Red"_s, u"Contact, Blonde"_s, u"Contact, Clown"_s, u"Contact, Glasses"_s,
        u"Contact, Panda"_s, u"Multi-Cache"_s, u"Letterbox Cache"_s, u"Puzzle Cache"_s,
        u"Library"_s, u"Ground Transportation"_s, u"City Hall"_s, u"Winery"_s,
        u"ATV"_s, u"Big Game"_s, u"Blind"_s, u"Blood Trail"_s,
        u"Cover"_s, u"Covey"_s, u"Food Source"_s, u"Furbearer"_s,
        u"Lodge"_s, u"Small Game"_s, u"Animal Tracks"_s, u"Treed Quarry"_s,
        u"Tree Stand"_s, u"Truck"_s, u"Upland Game"_s, u"Waterfowl"_s,
        u"Water Source"_s,
    };
    return names;
}

int symbolNumber(const QString& name) {
    static const QHash<QString, int> index = [] {
        QHash<QString, int> h;
        const QStringList& names = symbolNames();
        for (int i = 0; i < names.size(); ++i) {
            h.insert(names[i], i);
        }
        return h;
    }();
    return index.value(name, kDefaultSymbol);
}

const QStringList& waypointColourNames() {
    static const QStringList names = {
        u"Default"_s, u"Black"_s, u"Dark Red"_s, u"Dark Green"_s, u"Dark Yellow"_s, u"Dark Blue"_s,
        u"Dark Magenta"_s, u"Dark Cyan"_s, u"Light Grey"_s, u"Dark Grey"_s, u"Red"_s, u"Green"_s,
        u"Yellow"_s, u"Blue"_s, u"Magenta"_s, u"Cyan"_s, u"White"_s,
    };
    return names;
}

}  // namespace vintrel
